#include "evidence/core/CSyncXml.h"
#include "evidence/skin/ZBXMLElement.h"

#include <cstdlib>

using namespace vel;
using namespace vel::evd;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CSyncXml doc;
    if (!doc.LoadBuffer(data, size))
        return 0;
    for (ZBXMLElement* child : doc.Document()->GetChildren()) {
        EVD_SYNC_ENTRY entry;
        if (!CSyncXml::ReadEntry(child, entry))
            continue;
        // An entry written out as text reads back, and after one round (which
        // may fold white space that came from references) it is stable.
        auto round = [](const EVD_SYNC_ENTRY& in, EVD_SYNC_ENTRY& out) {
            auto e = ZBXMLElement::ParseText(CSyncXml::EntryText(in));
            return e && CSyncXml::ReadEntry(e.get(), out);
        };
        EVD_SYNC_ENTRY once, twice;
        if (!round(entry, once) || !round(once, twice))
            abort();
        if (CSyncXml::EntryText(once) != CSyncXml::EntryText(twice) ||
            once.lastSync.fileSize != entry.lastSync.fileSize)
            abort();
        doc.FindById(entry.id);
        doc.FindByName(entry.srcCurName);
    }
    return 0;
}
