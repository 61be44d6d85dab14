// TLV codec: wire layout of every value kind, the reader's bounds checks at
// every cut, the writer's growth rule and the exact error codes and texts.

#include "talk/CDataReader.h"
#include "talk/CDataWriter.h"
#include "talk/TalkTags.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace vel;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Written(const CDataWriter& w)
{
    return Bytes(w.Data(), w.Data() + w.Length());
}

Bytes B(std::initializer_list<int> v)
{
    Bytes out;
    for (int b : v)
        out.push_back(uint8_t(b));
    return out;
}

// Runs f and returns the CExceptionEx it raised (fails the test if none).
CExceptionEx Raised(const std::function<void()>& f)
{
    try {
        f();
    } catch (const CExceptionEx& e) {
        return e;
    }
    ADD_FAILURE() << "no CExceptionEx";
    return CExceptionEx(0xDEAD, "", "");
}

const std::string kOutOfBounds = TalkAnsiText("内存访问越界");

} // namespace

TEST(Codec, IntegersAreBigEndianAnd64BitIsLowHalfFirst)
{
    struct Case
    {
        const char* what;
        std::function<void(CDataWriter&)> write;
        Bytes wire;
        std::function<uint64_t(CDataReader&)> read;
        uint64_t value;
    } cases[] = {
        {"char", [](CDataWriter& w) { w.WriteChar('\x9C'); }, B({0x9C}),
         [](CDataReader& r) { return uint64_t(uint8_t(r.ReadChar())); }, 0x9C},
        {"short", [](CDataWriter& w) { w.WriteShort(0xA5B5); }, B({0xA5, 0xB5}),
         [](CDataReader& r) { return uint64_t(r.ReadShort()); }, 0xA5B5},
        {"long", [](CDataWriter& w) { w.WriteLong(0x01020304); }, B({1, 2, 3, 4}),
         [](CDataReader& r) { return uint64_t(r.ReadLong()); }, 0x01020304},
        {"64-bit", [](CDataWriter& w) { w.WriteULongLong(0x0000000100000002ull); },
         B({0, 0, 0, 2, 0, 0, 0, 1}), [](CDataReader& r) { return r.ReadULongLong(); },
         0x0000000100000002ull},
        {"64-bit all bits", [](CDataWriter& w) { w.WriteULongLong(0x8877665544332211ull); },
         B({0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55}),
         [](CDataReader& r) { return r.ReadULongLong(); }, 0x8877665544332211ull},
    };
    for (auto& c : cases) {
        CDataWriter w;
        c.write(w);
        EXPECT_EQ(Written(w), c.wire) << c.what;
        CDataReader r(c.wire.size(), c.wire.data());
        EXPECT_EQ(c.read(r), c.value) << c.what;
        EXPECT_TRUE(r.AtEnd()) << c.what;
    }
}

TEST(Codec, EveryBitOfA64BitValueSurvivesTheRoundTrip)
{
    for (int bit = 0; bit < 64; ++bit) {
        CDataWriter w;
        w.WriteULongLong(uint64_t(1) << bit);
        CDataReader r(w.Length(), w.Data());
        EXPECT_EQ(r.ReadULongLong(), uint64_t(1) << bit) << bit;
    }
}

TEST(Codec, StringsCarryA16BitLength)
{
    struct Case
    {
        std::string text;
        size_t wireLength; // the 16-bit length field
    } cases[] = {
        {"", 0},
        {"abc", 3},
        {std::string(65535, 'x'), 65535},
        {std::string(65536, 'y'), 0},
        {std::string(70000, 'z'), 70000 % 65536},
    };
    for (auto& c : cases) {
        CDataWriter w;
        w.WriteLPSTR(c.text.c_str());
        ASSERT_EQ(w.Length(), 2 + c.wireLength) << c.text.size();
        EXPECT_EQ(size_t(w.Data()[0] << 8 | w.Data()[1]), c.wireLength);
        CDataReader r(w.Length(), w.Data());
        EXPECT_EQ(r.ReadString(), c.text.substr(0, c.wireLength));
        EXPECT_TRUE(r.AtEnd());
    }
}

TEST(Codec, AStringStopsAtAZeroByteButTheCursorPassesAllItsBytes)
{
    Bytes wire = B({0, 5, 'a', 'b', 0, 'c', 'd', 0x7F});
    CDataReader r(wire.size(), wire.data());
    EXPECT_EQ(r.ReadString(), "ab");
    EXPECT_EQ(r.Pos(), 7u);
    EXPECT_EQ(r.ReadChar(), 0x7F);
}

TEST(Codec, EveryReadPastTheEndIsRefusedWithItsLocation)
{
    struct Case
    {
        Bytes wire;
        std::function<void(CDataReader&)> read;
        const char* location;
    } cases[] = {
        {{}, [](CDataReader& r) { r.ReadChar(); }, "CDataReader::ReadChar"},
        {B({1}), [](CDataReader& r) { r.ReadShort(); }, "CDataReader::ReadShort"},
        {B({1, 2, 3}), [](CDataReader& r) { r.ReadLong(); }, "CDataReader::ReadLong"},
        {B({1, 2, 3, 4, 5, 6, 7}), [](CDataReader& r) { r.ReadULongLong(); }, "CDataReader::ReadULongLong"},
        {B({0, 4, 'a', 'b', 'c'}), [](CDataReader& r) { r.ReadString(); }, "CDataReader::ReadString"},
        {B({0xFF, 0xFF, 'a'}), [](CDataReader& r) { r.ReadString(); }, "CDataReader::ReadString"},
        {B({1, 2}),
         [](CDataReader& r) {
             uint8_t d[3];
             r.ReadBinary(d, 3);
         },
         "CDataReader::ReadBinary"},
        {B({1, 2}), [](CDataReader& r) { r.ReadBinary(nullptr, 3); }, "CDataReader::ReadBinary"},
        {B({1, 2}), [](CDataReader& r) { r.Skip(3); }, "CDataReader::Skip"},
        {B({1, 2}), [](CDataReader& r) { r.Skip(SIZE_MAX); }, "CDataReader::Skip"},
        {B({1, 2}),
         [](CDataReader& r) {
             r.ReadChar();
             r.Skip(SIZE_MAX);
         },
         "CDataReader::Skip"},
    };
    for (auto& c : cases) {
        CDataReader r(c.wire.size(), c.wire.empty() ? nullptr : c.wire.data());
        CExceptionEx e = Raised([&] { c.read(r); });
        EXPECT_EQ(e.code, kHrPointer) << c.location;
        EXPECT_EQ(e.message, kOutOfBounds) << c.location;
        EXPECT_EQ(e.location, c.location);
    }
}

TEST(Codec, AReaderNeedsBothDataAndSizeOrNeither)
{
    uint8_t byte = 0;
    for (auto [size, data] : {std::pair<size_t, const uint8_t*>{1, nullptr}, {0, &byte}}) {
        CExceptionEx e = Raised([&] { CDataReader r(size, data); });
        EXPECT_EQ(e.code, kHrInvalidArg);
        EXPECT_EQ(e.message, "Invalid ARG.");
        EXPECT_EQ(e.location, "CDataReader::CDataReader");
    }
    CDataReader empty(0, nullptr);
    EXPECT_TRUE(empty.AtEnd());
}

TEST(Codec, TlvItemsDecodeByTheClassOfTheirTag)
{
    struct Case
    {
        const char* what;
        TLVGroup written;
        Bytes wire;
        uint16_t readType;
        uint64_t readBits;
        std::string readBytes;
    } cases[] = {
        {"empty", {tag::ClientKind, TLVValue::Empty()}, B({1, 1, 0, 0}), 0, 0, ""},
        {"i1", {tag::ClientKind, TLVValue::I1(-2)}, B({1, 1, 0, 1, 0xFE}), VT_I1, uint64_t(-2), ""},
        {"ui1", {tag::ClientKind, TLVValue::UI1(0xFE)}, B({1, 1, 0, 1, 0xFE}), VT_I1, uint64_t(-2), ""},
        {"i2", {tag::Channel, TLVValue::I2(-3)}, B({2, 0, 0, 2, 0xFF, 0xFD}), VT_I2, uint64_t(-3), ""},
        {"ui2", {tag::Channel, TLVValue::UI2(7)}, B({2, 0, 0, 2, 0, 7}), VT_I2, 7, ""},
        {"i4",
         {tag::CallSession, TLVValue::I4(-1)},
         B({3, 2, 0, 4, 0xFF, 0xFF, 0xFF, 0xFF}),
         VT_I4,
         uint64_t(-1),
         ""},
        {"ui4",
         {tag::CallSession, TLVValue::UI4(0x01020304)},
         B({3, 2, 0, 4, 1, 2, 3, 4}),
         VT_I4,
         0x01020304,
         ""},
        {"ui8",
         {tag::CallSession, TLVValue::UI8(0x0000000100000002ull)},
         B({3, 2, 0, 8, 0, 0, 0, 2, 0, 0, 0, 1}),
         VT_UI8,
         0x0000000100000002ull,
         ""},
        {"string", {tag::UserId, TLVValue::Str("ab")}, B({1, 3, 0, 2, 'a', 'b'}), VT_LPSTR, 0, "ab"},
        {"empty string", {tag::UserId, TLVValue::Str("")}, B({1, 3, 0, 0}), VT_LPSTR, 0, ""},
        {"binary",
         {tag::Data, TLVValue::Blob(std::string("\0\1", 2))},
         B({4, 4, 0, 2, 0, 1}),
         VT_BLOB,
         0,
         std::string("\0\1", 2)},
        // A sender may give a binary tag a string: same bytes on the wire.
        {"string on a binary tag",
         {tag::Remark, TLVValue::Str("hi")},
         B({1, 7, 0, 2, 'h', 'i'}),
         VT_BLOB,
         0,
         "hi"},
    };
    for (auto& c : cases) {
        CDataWriter w;
        w.WriteTLVGroup(c.written);
        EXPECT_EQ(Written(w), c.wire) << c.what;
        CDataReader r(c.wire.size(), c.wire.data());
        TLVGroup item;
        if (c.written.value.vt == VT_EMPTY) {
            // An empty integer item has length 0: not a supported width.
            EXPECT_EQ(Raised([&] { r.ReadTLVGroup(item); }).code, 0u) << c.what;
            continue;
        }
        r.ReadTLVGroup(item);
        EXPECT_EQ(item.tag, c.written.tag) << c.what;
        EXPECT_EQ(item.value.vt, c.readType) << c.what;
        EXPECT_EQ(item.value.bits, c.readBits) << c.what;
        EXPECT_EQ(item.value.bytes, c.readBytes) << c.what;
        EXPECT_TRUE(r.AtEnd()) << c.what;
    }
}

TEST(Codec, AnIntegerItemOfAnUnsupportedWidthStopsDecoding)
{
    for (int width : {0, 3, 5, 7, 9, 0xFFFF}) {
        Bytes wire = B({2, 0, (width >> 8) & 0xFF, width & 0xFF, 1, 2, 3});
        CDataReader r(wire.size(), wire.data());
        TLVGroup item;
        CExceptionEx e = Raised([&] { r.ReadTLVGroup(item); });
        EXPECT_EQ(e.code, 0u) << width;
        EXPECT_EQ(e.message, "The Integer Value Type not supported!");
        EXPECT_EQ(e.location, "CDataReader::ReadTLVGroup");
        TLVItems items;
        EXPECT_FALSE(DecodeItems(wire.data(), wire.size(), items));
    }
}

TEST(Codec, UnknownTagsAreSkippedByTheirLength)
{
    Bytes wire = B({0x02, 0x01, 0, 3, 'x', 'y', 'z', // unknown 0x0201
                    0x01, 0x03, 0, 1, 'u',           // user id
                    0xFF, 0xFF, 0, 0,                // unknown, empty
                    0x02, 0x00, 0, 2, 0,   9});      // channel
    TLVItems items;
    ASSERT_TRUE(DecodeItems(wire.data(), wire.size(), items));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(ItemText(items, tag::UserId), "u");
    EXPECT_EQ(FindItem(items, tag::Channel)->value.AsI32(), 9);
    // An unknown item whose length runs past the end is an overrun, not a skip.
    Bytes bad = B({0x02, 0x01, 0, 9, 'x'});
    EXPECT_FALSE(DecodeItems(bad.data(), bad.size(), items));
}

TEST(Codec, ABodyCutAtAnyOffsetDecodesOnlyAtItemBoundaries)
{
    TLVItems sent = {
        {tag::UserId, TLVValue::Str("alice")},       {tag::Channel, TLVValue::UI2(5)},
        {tag::Data, TLVValue::Blob("\x01\x02\x03")}, {tag::CallSession, TLVValue::UI8(1)},
        {tag::ClientKind, TLVValue::UI1(1)},         {tag::CallSession, TLVValue::UI4(0xABCDEF01)}};
    CDataWriter w;
    std::vector<size_t> boundaries = {0};
    for (auto& item : sent) {
        w.WriteTLVGroup(item);
        boundaries.push_back(w.Length());
    }
    Bytes wire = Written(w);
    for (size_t cut = 0; cut <= wire.size(); ++cut) {
        TLVItems got;
        bool ok = DecodeItems(wire.data(), cut, got);
        bool boundary = std::find(boundaries.begin(), boundaries.end(), cut) != boundaries.end();
        EXPECT_EQ(ok, boundary) << cut;
        if (!ok) {
            CDataReader r(cut, cut ? wire.data() : nullptr);
            EXPECT_EQ(Raised([&] {
                          TLVGroup item;
                          while (!r.AtEnd())
                              r.ReadTLVGroup(item);
                      }).code,
                      kHrPointer)
                << cut;
        }
    }
}

TEST(Codec, WriterArgumentErrors)
{
    struct Case
    {
        const char* what;
        std::function<void(CDataWriter&)> write;
        uint32_t code;
        const char* messageUtf8;
        const char* location;
    } cases[] = {
        {"null string", [](CDataWriter& w) { w.WriteLPSTR(nullptr); }, kHrInvalidArg,
         "非法参数:传入参数lpstr为NULL", "CDataWriter::WriteLPSTR"},
        {"null bytes", [](CDataWriter& w) { w.WriteBinary(nullptr, 4); }, kHrInvalidArg, "非法参数",
         "CDataWriter::WriteBinary"},
        {"zero bytes", [](CDataWriter& w) { w.WriteBinary((const uint8_t*)"x", 0); }, kHrInvalidArg,
         "非法参数", "CDataWriter::WriteBinary"},
        {"length with zero low bits",
         [](CDataWriter& w) {
             std::string big(65536, 'b');
             w.WriteBinary((const uint8_t*)big.data(), big.size());
         },
         kHrInvalidArg, "非法参数", "CDataWriter::WriteBinary"},
        {"zero-length binary item", [](CDataWriter& w) { w.WriteVariant(TLVValue::Blob("")); }, kHrInvalidArg,
         "非法参数", "CDataWriter::WriteBinary"},
        {"unsupported variant", [](CDataWriter& w) { w.WriteVariant(TLVValue::Int(11, 1)); }, 0,
         "The VARIANT Type not supported!", "CDataWriter::WriteVariant"},
    };
    for (auto& c : cases) {
        CDataWriter w;
        CExceptionEx e = Raised([&] { c.write(w); });
        EXPECT_EQ(e.code, c.code) << c.what;
        EXPECT_EQ(e.message, TalkAnsiText(c.messageUtf8)) << c.what;
        EXPECT_EQ(e.location, c.location) << c.what;
    }
}

TEST(Codec, BinaryWritesTheLow16BitsWorthOfBytes)
{
    std::string big(70000, 'q');
    CDataWriter w;
    w.WriteBinary((const uint8_t*)big.data(), big.size());
    EXPECT_EQ(w.Length(), 70000u % 65536);
    // A binary item's count word and its bytes always agree.
    CDataWriter item;
    item.WriteTLVGroup({tag::Data, TLVValue::Blob(big)});
    CDataReader r(item.Length(), item.Data());
    TLVGroup got;
    r.ReadTLVGroup(got);
    EXPECT_EQ(got.value.bytes.size(), 70000u % 65536);
    EXPECT_TRUE(r.AtEnd());
}

TEST(Codec, ReplacePatchesOrAppendsOneByte)
{
    CDataWriter w;
    w.WriteLong(0);
    uint8_t b = 0x7A;
    EXPECT_EQ(w.Replace(1, &b), 0u);
    EXPECT_EQ(w.Replace(4, &b), 0u); // at the end: appends
    EXPECT_EQ(Written(w), B({0, 0x7A, 0, 0, 0x7A}));
    EXPECT_EQ(w.Replace(6, &b), kHrInvalidArg);
    EXPECT_EQ(w.Replace(0, nullptr), kHrInvalidArg);
    EXPECT_EQ(w.Length(), 5u);
}

TEST(Codec, TheBufferGrowsInPagesStrictlyAboveTheNeededSize)
{
    CDataWriter w;
    EXPECT_EQ(w.Capacity(), 4096u);
    for (int i = 0; i < 4096; ++i)
        w.WriteChar(char(i));
    EXPECT_EQ(w.Capacity(), 4096u) << "a fresh writer holds 4096 bytes";
    w.WriteChar('!');
    EXPECT_EQ(w.Capacity(), 8192u) << "the 4097th byte";
    EXPECT_EQ(w.Length(), 4097u);
    for (int i = 0; i < 4096; ++i)
        EXPECT_EQ(w.Data()[i], uint8_t(i)) << "content kept across growth at " << i;

    struct Case
    {
        size_t before, write, capacity;
    } cases[] = {
        {0, 8192, 12288},     // exactly two pages needed: the next multiple strictly above
        {4095, 2, 8192},      // a short across the page edge
        {4000, 70000, 77824}, // 64000 -> 65536, then 74000 -> 77824
    };
    for (auto& c : cases) {
        CDataWriter g;
        std::string fill(c.before, 'f');
        if (c.before)
            g.WriteBinary((const uint8_t*)fill.data(), fill.size());
        std::string more(c.write, 'm');
        while (more.size() > 60000) {
            g.WriteBinary((const uint8_t*)more.data(), 60000);
            more.resize(more.size() - 60000);
        }
        g.WriteBinary((const uint8_t*)more.data(), more.size());
        EXPECT_EQ(g.Length(), c.before + c.write);
        EXPECT_EQ(g.Capacity(), c.capacity) << c.before << "+" << c.write;
    }
}

TEST(Codec, ReallocationLimits)
{
    CDataWriter w;
    w.WriteLong(0x11223344);
    EXPECT_EQ(w.Reallocate(127), kHrOutOfMemory);
    EXPECT_EQ(w.Reallocate(0x20000001), kHrOutOfMemory);
    EXPECT_EQ(w.Reallocate(4096), 0u) << "same capacity: no-op";
    EXPECT_EQ(w.Reallocate(128), 0u);
    EXPECT_EQ(w.Capacity(), 128u);
    EXPECT_EQ(Written(w), B({0x11, 0x22, 0x33, 0x44})) << "failed and shrinking growths keep the bytes";
}
