// Arbitrary bytes as a received datagram. Oracles: a parsed header's body
// lies inside the datagram; a header and its items pack back into a
// datagram with the same header fields; a reported notice is a Notify text.

#include "talk/CDataReader.h"
#include "talk/CGTKClient.h"
#include "talk/ServerNotice.h"
#include "talk/TalkMessage.h"

#include <cstdlib>
#include <cstring>

using namespace vel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CGTKClient* session = new CGTKClient; // never started: nothing is sent

    MsgHeader h;
    if (ParseMsgHeader(data, size, h)) {
        if (size < kMsgHeaderSize || h.bodyLength > size - kMsgHeaderSize || h.magic != kMsgMagic)
            abort();
        TLVItems items;
        if (ParseMessage(data, size, h, items)) {
            std::vector<uint8_t> packed;
            bool canPack = true;
            for (auto& item : items)
                canPack &= !(item.value.vt == VT_BLOB && item.value.bytes.empty());
            if (canPack) {
                if (!PackMessage(h.command, h.status, h.sequence, items, packed))
                    abort();
                MsgHeader back;
                TLVItems backItems;
                if (!ParseMessage(packed.data(), packed.size(), back, backItems) || back.command != h.command ||
                    back.status != h.status || back.sequence != h.sequence || !(backItems == items))
                    abort();
            }
            ServerNotice n = BuildServerNotice(items, size > 16 ? data[16] : 0, 7);
            if (n.outcome == ServerNotice::Report &&
                (n.xml.rfind("<Notify><command>33</command><PARAM><type>", 0) != 0 ||
                 n.xml.size() < 40 || n.xml.compare(n.xml.size() - 17, 17, "</PARAM></Notify>") != 0))
                abort();
        }
    }
    session->Dispatch(data, size, "127.0.0.1", 9);
    return 0;
}
