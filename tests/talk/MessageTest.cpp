// Message framing: the 16-byte header, reply detection, the status table
// and the sequence counter.

#include "talk/StatusTable.h"
#include "talk/TalkMessage.h"
#include "talk/TalkTags.h"

#include <gtest/gtest.h>

#include <climits>

using namespace vel;

TEST(Message, ARequestIsHeaderThenItems)
{
    std::vector<uint8_t> out;
    ASSERT_TRUE(PackRequest(cmd::Heartbeat, 0x01020304, {{tag::UserId, TLVValue::Str("ab")}}, out));
    std::vector<uint8_t> expected = {0xA5, 0xB5, 1, 1, 0, 0,    0,    6, 0, 16,  0,
                                     0,    1,    2, 3, 4, 0x01, 0x03, 0, 2, 'a', 'b'};
    EXPECT_EQ(out, expected);

    MsgHeader h;
    TLVItems items;
    ASSERT_TRUE(ParseMessage(out.data(), out.size(), h, items));
    EXPECT_EQ(h.command, 16);
    EXPECT_EQ(h.sequence, 0x01020304u);
    EXPECT_EQ(h.bodyLength, 6u);
    EXPECT_FALSE(h.IsReply());
    EXPECT_EQ(ItemText(items, tag::UserId), "ab");

    // Requests carry only the low 8 bits of the command.
    ASSERT_TRUE(PackRequest(0x1234, 1, {}, out));
    ASSERT_TRUE(ParseMsgHeader(out.data(), out.size(), h));
    EXPECT_EQ(h.command, 0x34);
}

TEST(Message, RepliesNameTheirStatusByPosition)
{
    struct Case
    {
        uint16_t index, status;
    } cases[] = {{kStatusIdxOk, 200},
                 {kStatusIdxBadRequest, 400},
                 {kStatusIdxInvalidParam, 410},
                 {kStatusIdxRejected, 413},
                 {0, 100},
                 {46, 610},
                 {47, 65535},
                 {kStatusIdxReserved, 65535}};
    for (auto& c : cases) {
        std::vector<uint8_t> out;
        ASSERT_TRUE(PackReply(cmd::ServerNotify | kReplyFlag, c.index, 77, {}, out));
        MsgHeader h;
        ASSERT_TRUE(ParseMsgHeader(out.data(), out.size(), h));
        EXPECT_EQ(h.status, c.status) << c.index;
        EXPECT_EQ(h.command, 0x8021);
        EXPECT_EQ(h.sequence, 77u);
        EXPECT_TRUE(h.IsReply());
    }
}

TEST(Message, ReplyIsBits15And14EqualTo10)
{
    struct Case
    {
        uint16_t command;
        bool reply;
    } cases[] = {{0x8000, true},  {0x8021, true},  {0xBFFF, true}, {0xC000, false},
                 {0x4000, false}, {0x0021, false}, {0xFFFF, false}};
    for (auto& c : cases) {
        MsgHeader h;
        h.command = c.command;
        EXPECT_EQ(h.IsReply(), c.reply) << std::hex << c.command;
    }
}

TEST(Message, HeadersThatDoNotFitTheDatagramAreRejected)
{
    auto header = [](uint32_t bodyLength, size_t extra, uint8_t b0 = 0xA5, uint8_t b1 = 0xB5) {
        std::vector<uint8_t> d = {b0,
                                  b1,
                                  1,
                                  1,
                                  uint8_t(bodyLength >> 24),
                                  uint8_t(bodyLength >> 16),
                                  uint8_t(bodyLength >> 8),
                                  uint8_t(bodyLength),
                                  0,
                                  33,
                                  0,
                                  0,
                                  0,
                                  0,
                                  0,
                                  9};
        d.resize(d.size() + extra, 0);
        return d;
    };
    struct Case
    {
        const char* what;
        std::vector<uint8_t> datagram;
        bool ok;
    } cases[] = {
        {"no body", header(0, 0), true},
        {"exact body", header(4, 4), true},
        {"trailing bytes beyond the body", header(2, 4), true},
        {"length past the end", header(5, 4), false},
        {"length that wraps", header(0xFFFFFFF4u, 4), false},
        {"largest length", header(0xFFFFFFFFu, 0), false},
        {"wrong magic", header(0, 0, 0xA5, 0xB6), false},
        {"voice head", header(0, 0, 0x41, 0x00), false},
        {"15 bytes",
         [&] {
             auto d = header(0, 0);
             d.pop_back();
             return d;
         }(),
         false},
        {"empty", {}, false},
    };
    for (auto& c : cases) {
        MsgHeader h;
        EXPECT_EQ(ParseMsgHeader(c.datagram.data(), c.datagram.size(), h), c.ok) << c.what;
    }
    MsgHeader h;
    EXPECT_FALSE(ParseMsgHeader(nullptr, 16, h));
}

TEST(Message, StatusValuesOutsideTheTableCountAs400)
{
    EXPECT_EQ(kTalkStatusCount, 47u);
    EXPECT_EQ(NormalizeStatus(200), 200);
    EXPECT_EQ(NormalizeStatus(402), 402);
    EXPECT_EQ(NormalizeStatus(610), 610);
    EXPECT_EQ(NormalizeStatus(0), 400);
    EXPECT_EQ(NormalizeStatus(432), 400);
    EXPECT_EQ(NormalizeStatus(65535), 400);
    EXPECT_STREQ(StatusText(402), "Password is Incorrect");
    EXPECT_STREQ(StatusText(609), "User id can not be \"admin\"");
    EXPECT_STREQ(StatusText(999), "Bad Request");
    EXPECT_STREQ(StatusByIndex(0xFFFF).text, "Unknown net status.");
    // Values ascend, so every entry is found by value at its own position.
    for (size_t i = 0; i < kTalkStatusCount; ++i)
        EXPECT_EQ(IndexOfStatus(kTalkStatusTable[i].value), int(i));
}

TEST(Message, TheSequenceCounterRestartsAtZeroInsteadOfTurningNegative)
{
    SequenceCounter near(INT32_MAX - 1);
    EXPECT_EQ(near.Next(), uint32_t(INT32_MAX));
    EXPECT_EQ(near.Next(), 0u);
    EXPECT_EQ(near.Next(), 1u);
    SequenceCounter fresh;
    EXPECT_LE(fresh.Next(), 10000u) << "seeded from the time in seconds mod 10000";
}
