#include "ServerNotice.h"

#include "talk/TalkLog.h"
#include "talk/TalkTags.h"

namespace vel {

namespace {

constexpr uint16_t kNoticeTypeOrder[] = {tag::Notice0206, tag::Notice0207, tag::QuitIndivCall,
                                         tag::Notice0308, tag::Notice0208, tag::Notice0405,
                                         tag::Notice0406, tag::Notice0408};

} // namespace

std::string XmlEscape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

ServerNotice BuildServerNotice(const TLVItems& items, uint32_t knownCallSession, uint32_t transactionId)
{
    ServerNotice n;
    const TLVGroup* typeItem = nullptr;
    for (uint16_t t : kNoticeTypeOrder) {
        const TLVGroup* item = FindItem(items, t);
        if (item && item->value.IsInteger()) {
            typeItem = item;
            break;
        }
    }
    if (!typeItem)
        return n;
    n.type = typeItem->tag;
    uint32_t value = typeItem->value.AsU32();
    std::string user = XmlEscape(ItemText(items, tag::UserId));
    std::string inner;
    switch (n.type) {
    case tag::Notice0208:
        inner = TalkFormat("<channelno>%d</channelno><para>%d</para>", int(value & 0xFFFF), int(value >> 16));
        break;
    case tag::QuitIndivCall: {
        if (knownCallSession != 0 && knownCallSession != value) {
            n.outcome = ServerNotice::BadSession;
            return n;
        }
        const TLVGroup* reason = FindItem(items, tag::Reason);
        int reasonValue = reason && reason->value.IsInteger() ? reason->value.AsI32() : 0;
        inner = TalkFormat("<userid>%s</userid><para>%d</para><reason>%d</reason>", user.c_str(),
                           int(transactionId), reasonValue);
        n.clearsCall = true;
        break;
    }
    case tag::Notice0308:
    case tag::Notice0408:
        inner = TalkFormat("<userid>%s</userid><para>%d</para>", user.c_str(), int32_t(value));
        break;
    case tag::Notice0405:
    case tag::Notice0406:
        inner = TalkFormat("<userid>%s</userid><para>%d</para><channelno>%d</channelno>", user.c_str(),
                           int(value >> 16), int(value & 0xFFFF));
        break;
    default: // 0x0206, 0x0207
        inner = TalkFormat("<userid>%s</userid><para>%d</para>", user.c_str(), 0);
        break;
    }
    n.outcome = ServerNotice::Report;
    n.xml = TalkFormat("<Notify><command>%d</command><PARAM><type>%d</type>%s</PARAM></Notify>", 33,
                       int(n.type), inner.c_str());
    return n;
}

} // namespace vel
