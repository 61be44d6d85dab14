// Out of memory at every allocation of a parse, a write and an attribute
// change: each failure gives the documented null or empty result and frees
// everything allocated up to that point. The global allocator of this test
// program counts and fails allocations on request.

#include "XmlTestUtil.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

namespace {

std::atomic<long> g_failAfter {-1}; // allocations left before one fails; -1: never
std::atomic<long> g_balance {0};    // allocations minus frees

void* Allocate(size_t n)
{
    long left = g_failAfter.load();
    if (left == 0)
        throw std::bad_alloc();
    if (left > 0)
        g_failAfter.store(left - 1);
    void* p = std::malloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    ++g_balance;
    return p;
}

void Free(void* p)
{
    if (!p)
        return;
    --g_balance;
    std::free(p);
}

} // namespace

void* operator new(size_t n) { return Allocate(n); }
void* operator new[](size_t n) { return Allocate(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(n);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, size_t) noexcept { Free(p); }
void operator delete[](void* p, size_t) noexcept { Free(p); }

using namespace vel;
using vel::test::Dump;

namespace {

const std::u16string kDoc = u"<?xml version=\"1.0\"?><!-- c --><zbskin><public><colors>"
                            u"<color name=\"text\" value=\"51,51,51\" x1=\"\" x2=\"\" x3=\"\" x4=\"\" x5=\"\" "
                            u"x6=\"\" x7=\"\" x8=\"\" x9=\"\" X1=\"r\"/></colors>"
                            u"<strings><string name=\"t\" value=\"证据 &amp; &#26723;\">x &lt; y<b/>z</string>"
                            u"</strings></public></zbskin>";

// Runs `step` with the n-th allocation failing, for n = 0, 1, ... until it
// succeeds; every failing run must leave the allocation balance unchanged.
template <typename Step>
int FailEachAllocation(Step step)
{
    for (long n = 0; n < 100000; ++n) {
        const long before = g_balance.load();
        g_failAfter.store(n);
        const bool ok = step();
        g_failAfter.store(-1);
        if (ok)
            return static_cast<int>(n);
        EXPECT_EQ(g_balance.load(), before) << "leak after failing allocation " << n;
        if (g_balance.load() != before)
            return -1;
    }
    return -1;
}

} // namespace

TEST(XmlOutOfMemory, ParseFreesThePartialTree)
{
    const std::string expected = Dump(ZBXMLElement::ParseText(kDoc).get());
    int n = FailEachAllocation([&] {
        auto root = ZBXMLElement::ParseText(kDoc);
        if (!root)
            return false;
        g_failAfter.store(-1);
        EXPECT_EQ(Dump(root.get()), expected);
        return true;
    });
    EXPECT_GT(n, 10); // it really went through many allocations
}

TEST(XmlOutOfMemory, ParseBufferFreesItsConversions)
{
    std::string le = "\xFF\xFE";
    for (char16_t c : kDoc) {
        le.push_back(static_cast<char>(c & 0xFF));
        le.push_back(static_cast<char>(c >> 8));
    }
    const std::string forms[] = {le, "\xEF\xBB\xBF" + Utf16ToUtf8(kDoc), Utf16ToAnsi(kDoc)};
    for (const std::string& bytes : forms) {
        ASSERT_TRUE(ZBXMLElement::ParseBuffer(bytes.data(), bytes.size())); // warms per-thread converters
        EXPECT_GT(FailEachAllocation([&] { return ZBXMLElement::ParseBuffer(bytes.data(), bytes.size()) != nullptr; }),
                  0);
    }
}

TEST(XmlOutOfMemory, WriterGivesEmptyTextAndAttributesStayAsTheyWere)
{
    auto root = ZBXMLElement::ParseText(kDoc);
    ASSERT_TRUE(root);
    const std::u16string text = root->ToString(true, true);
    EXPECT_GT(FailEachAllocation([&] { return root->ToString(true, true) == text; }), 0);

    ZBXMLElement* color = root->FindChild(u"public")->FindChild(u"colors")->FindChild(u"color");
    ASSERT_TRUE(color);
    const std::string before = Dump(color);
    int n = FailEachAllocation([&] {
        ZBXMLAttribute* a = color->SetAttribute(u"AddedWithAVeryLongNameThatDoesNotFitInPlace", u"v");
        if (!a) {
            g_failAfter.store(-1);
            EXPECT_EQ(Dump(color), before);
        }
        return a != nullptr;
    });
    EXPECT_GE(n, 1);
    EXPECT_EQ(color->GetAttributeValue(u"addedwithaverylongnamethatdoesnotfitinplace"), u"v");
    EXPECT_GE(FailEachAllocation([&] { return root->AddChild(u"AnotherChildWithALongName") != nullptr; }), 1);
}
