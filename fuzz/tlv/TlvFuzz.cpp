// Decodes arbitrary bytes as a message body, item by item. Oracles: the
// reader never moves past the end, a fault is always a CExceptionEx, and a
// body that decodes re-encodes into one that decodes to the same items.

#include "talk/CDataReader.h"
#include "talk/CDataWriter.h"

#include <cstdlib>

using namespace vel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TLVItems items;
    bool whole = true;
    try {
        CDataReader reader(size, size ? data : nullptr);
        while (!reader.AtEnd()) {
            TLVGroup item;
            size_t before = reader.Pos();
            try {
                reader.ReadTLVGroup(item);
            } catch (const CExceptionEx&) {
                if (reader.Pos() > size)
                    abort();
                whole = false;
                break;
            }
            if (reader.Pos() <= before || reader.Pos() > size)
                abort(); // every item moves forward and stays inside
            if (item.value.vt != VT_EMPTY)
                items.push_back(std::move(item));
        }
    } catch (...) {
        abort(); // only CExceptionEx may come out of the reader
    }

    TLVItems viaHelper;
    if (DecodeItems(data, size, viaHelper) != whole || (whole && !(viaHelper == items)))
        abort();
    if (!whole)
        return 0;

    CDataWriter w;
    TLVItems written;
    for (const TLVGroup& item : items) {
        if (item.value.vt == VT_BLOB && item.value.bytes.empty())
            continue; // a zero-length binary item cannot be written
        try {
            w.WriteTLVGroup(item);
        } catch (const CExceptionEx&) {
            abort();
        }
        written.push_back(item);
    }
    TLVItems again;
    if (!DecodeItems(w.Data(), w.Length(), again) || !(again == written))
        abort();
    return 0;
}
