// Server notices: the type chosen from the items and the XML text the host
// gets for each type.

#include "talk/ServerNotice.h"
#include "talk/TalkTags.h"

#include <gtest/gtest.h>

using namespace vel;

namespace {

std::string Wrap(int type, const std::string& inner)
{
    return "<Notify><command>33</command><PARAM><type>" + std::to_string(type) + "</type>" + inner +
           "</PARAM></Notify>";
}

const TLVGroup kUser = {tag::UserId, TLVValue::Str("bob")};

} // namespace

TEST(ServerNotice, EachTypeIsReportedWithItsText)
{
    struct Case
    {
        const char* what;
        TLVItems items;
        std::string xml;
    } cases[] = {
        {"0206",
         {kUser, {tag::Notice0206, TLVValue::I4(9)}},
         Wrap(0x0206, "<userid>bob</userid><para>0</para>")},
        {"0207",
         {kUser, {tag::Notice0207, TLVValue::I2(1)}},
         Wrap(0x0207, "<userid>bob</userid><para>0</para>")},
        {"0308",
         {kUser, {tag::Notice0308, TLVValue::I4(-5)}},
         Wrap(0x0308, "<userid>bob</userid><para>-5</para>")},
        {"0408",
         {kUser, {tag::Notice0408, TLVValue::I4(77)}},
         Wrap(0x0408, "<userid>bob</userid><para>77</para>")},
        {"0208",
         {{tag::Notice0208, TLVValue::UI4(0x00030005)}},
         Wrap(0x0208, "<channelno>5</channelno><para>3</para>")},
        {"0405",
         {kUser, {tag::Notice0405, TLVValue::UI4(0x00020007)}},
         Wrap(0x0405, "<userid>bob</userid><para>2</para><channelno>7</channelno>")},
        {"0406",
         {kUser, {tag::Notice0406, TLVValue::UI4(0xFFFF0001)}},
         Wrap(0x0406, "<userid>bob</userid><para>65535</para><channelno>1</channelno>")},
        {"020B",
         {kUser, {tag::QuitIndivCall, TLVValue::I4(0)}, {tag::Reason, TLVValue::I2(3)}},
         Wrap(0x020B, "<userid>bob</userid><para>41</para><reason>3</reason>")},
        {"no user", {{tag::Notice0206, TLVValue::I1(1)}}, Wrap(0x0206, "<userid></userid><para>0</para>")},
        {"0206 wins over 0208",
         {{tag::Notice0208, TLVValue::UI4(1)}, kUser, {tag::Notice0206, TLVValue::I1(1)}},
         Wrap(518, "<userid>bob</userid><para>0</para>")},
        {"0308 wins over 0405",
         {kUser, {tag::Notice0405, TLVValue::I4(1)}, {tag::Notice0308, TLVValue::I4(2)}},
         Wrap(0x0308, "<userid>bob</userid><para>2</para>")},
        {"markup in a user id is escaped",
         {{tag::UserId, TLVValue::Str("a</userid><x>&")}, {tag::Notice0207, TLVValue::I1(0)}},
         Wrap(0x0207, "<userid>a&lt;/userid&gt;&lt;x&gt;&amp;</userid><para>0</para>")},
    };
    for (auto& c : cases) {
        ServerNotice n = BuildServerNotice(c.items, 0, 41);
        EXPECT_EQ(n.outcome, ServerNotice::Report) << c.what;
        EXPECT_EQ(n.xml, c.xml) << c.what;
    }
}

TEST(ServerNotice, WithoutATypeTagNothingIsReported)
{
    TLVItems none = {kUser, {tag::Channel, TLVValue::I2(3)}, {tag::Reason, TLVValue::I1(1)}};
    EXPECT_EQ(BuildServerNotice(none, 0, 0).outcome, ServerNotice::NoType);
    EXPECT_EQ(BuildServerNotice({}, 0, 0).outcome, ServerNotice::NoType);
}

TEST(ServerNotice, APeerLeavingAnotherCallIsRefused)
{
    TLVItems quit = {kUser, {tag::QuitIndivCall, TLVValue::I4(1234)}};
    EXPECT_EQ(BuildServerNotice(quit, 999, 1).outcome, ServerNotice::BadSession);
    ServerNotice same = BuildServerNotice(quit, 1234, 1);
    EXPECT_EQ(same.outcome, ServerNotice::Report);
    EXPECT_TRUE(same.clearsCall);
    EXPECT_EQ(same.xml, Wrap(0x020B, "<userid>bob</userid><para>1</para><reason>0</reason>"));
    EXPECT_EQ(BuildServerNotice(quit, 0, 1).outcome, ServerNotice::Report) << "no call known";
}
