// XmlMarkup implementation. This one source is compiled once per build of the
// class: VEL_MARKUP_CHAR is `char` for the 8-bit library and `char16_t` for
// the UTF-16 one (see CMakeLists.txt). Everything character-dependent goes
// through the small helpers at the top; the rest is shared.
//
// Index invariants (checked by CheckIndex in tests):
//   - record 0 is the document: start 0, length = document length;
//   - every live record starts at a '<' followed by its name; a record with
//     an end tag ends with ">" and its end tag starts at start+length-endTagLen;
//   - children lie inside their parent's content, siblings in text order;
//   - a first child's `prev` is the last sibling.
// An element closed by a non-matching end tag keeps only its start tag (its
// children moved up to its parent); an element still open at the end of the
// text runs to the end of the text and keeps its children (kFlagUnended).

#include "XmlMarkup.h"

#include "platform/base/Strings.h"
#include "platform/fs/WinPath.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_map>

#ifndef VEL_MARKUP_CHAR
#error "XmlMarkup.cpp is built once per character type: define VEL_MARKUP_CHAR (char or char16_t)"
#endif

namespace vel {

namespace {

// Runs to the end of the text (still open when the text ended).
constexpr uint32_t kFlagUnended = 0x1000000;

[[maybe_unused]] inline unsigned Code(char c) { return static_cast<unsigned char>(c); }
[[maybe_unused]] inline unsigned Code(char16_t c) { return c; }

template <class Ch>
std::basic_string<Ch> Ascii(std::string_view s)
{
    return std::basic_string<Ch>(s.begin(), s.end());
}

template <class Ch>
std::basic_string<Ch> Number(long long v)
{
    return Ascii<Ch>(std::to_string(v));
}

template <class Ch>
bool IsSpace(Ch c)
{
    return c == Ch(' ') || c == Ch('\t') || c == Ch('\n') || c == Ch('\r');
}

template <class Ch>
bool IsAsciiLetter(Ch c)
{
    unsigned u = Code(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

template <class Ch>
bool IsDigit(Ch c)
{
    unsigned u = Code(c);
    return u >= '0' && u <= '9';
}

template <class Ch>
bool IsNameStart(Ch c)
{
    return IsAsciiLetter(c) || c == Ch('_') || c == Ch(':') || Code(c) > 127;
}

// Characters that end a tag name.
template <class Ch>
bool EndsName(Ch c)
{
    switch (Code(c)) {
    case ' ': case '\t': case '\n': case '\r': case '<': case '>': case '=': case '\\': case '/': case '?':
    case '!':
        return true;
    default:
        return false;
    }
}

// ---- multibyte stepping (8-bit build) -------------------------------------

// How the ANSI code page groups bytes into characters. A lead byte only
// pairs with a byte that is a valid trail byte, so a stray lead byte never
// swallows the '<' or '&' after it.
struct CodePageBytes {
    enum Kind { Single, DoubleByte, Utf8 } kind = Single;
    bool gb18030 = false;
    bool lead[256] = {};
    bool trail[256] = {};
};

const CodePageBytes& AnsiBytes()
{
    static const CodePageBytes table = [] {
        CodePageBytes t;
        int cp = AnsiCodePage();
        auto range = [](bool* set, int lo, int hi) {
            for (int i = lo; i <= hi; ++i)
                set[i] = true;
        };
        switch (cp) {
        case 936:   // GBK
        case 54936: // GB18030
            t.kind = CodePageBytes::DoubleByte;
            t.gb18030 = cp == 54936;
            range(t.lead, 0x81, 0xFE);
            range(t.trail, 0x40, 0xFE);
            t.trail[0x7F] = false;
            break;
        case 950: // Big5
            t.kind = CodePageBytes::DoubleByte;
            range(t.lead, 0x81, 0xFE);
            range(t.trail, 0x40, 0x7E);
            range(t.trail, 0xA1, 0xFE);
            break;
        case 949: // Unified Hangul
            t.kind = CodePageBytes::DoubleByte;
            range(t.lead, 0x81, 0xFE);
            range(t.trail, 0x41, 0x5A);
            range(t.trail, 0x61, 0x7A);
            range(t.trail, 0x81, 0xFE);
            break;
        case 932: // Shift-JIS
            t.kind = CodePageBytes::DoubleByte;
            range(t.lead, 0x81, 0x9F);
            range(t.lead, 0xE0, 0xFC);
            range(t.trail, 0x40, 0xFC);
            t.trail[0x7F] = false;
            break;
        case 65001:
            t.kind = CodePageBytes::Utf8;
            break;
        default:
            break;
        }
        return t;
    }();
    return table;
}

// Length of the character that starts at p (remain >= 1 bytes available).
[[maybe_unused]] inline size_t CharLen(const char* p, size_t remain)
{
    unsigned c = Code(*p);
    if (c < 0x80 || remain < 2)
        return 1;
    const CodePageBytes& t = AnsiBytes();
    switch (t.kind) {
    case CodePageBytes::DoubleByte: {
        if (!t.lead[c])
            return 1;
        unsigned c1 = Code(p[1]);
        if (t.trail[c1])
            return 2;
        if (t.gb18030 && remain >= 4 && c1 >= '0' && c1 <= '9' && t.lead[Code(p[2])] && Code(p[3]) >= '0' &&
            Code(p[3]) <= '9')
            return 4;
        return 1;
    }
    case CodePageBytes::Utf8: {
        size_t n = c >= 0xF5 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 1;
        if (n > remain)
            return 1;
        for (size_t i = 1; i < n; ++i)
            if ((Code(p[i]) & 0xC0) != 0x80)
                return 1;
        return n;
    }
    default:
        return 1;
    }
}

[[maybe_unused]] inline size_t CharLen(const char16_t*, size_t) { return 1; }

template <class Ch>
size_t Step(std::basic_string_view<Ch> s, size_t i)
{
    return i + CharLen(s.data() + i, s.size() - i);
}

[[maybe_unused]] inline char Fold(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
[[maybe_unused]] inline char16_t Fold(char16_t c) { return ToLower(c); }

// Compares names character by character; only single-byte characters fold,
// so the bytes of a multibyte character are compared exactly.
template <class Ch>
bool EqualNoCase(std::basic_string_view<Ch> a, std::basic_string_view<Ch> b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size();) {
        size_t n = CharLen(a.data() + i, a.size() - i);
        if (n == 1) {
            if (Fold(a[i]) != Fold(b[i]))
                return false;
        } else if (a.substr(i, n) != b.substr(i, n)) {
            return false;
        }
        i += n;
    }
    return true;
}

// Finds `what` (ASCII) at or after `from`, stepping over whole characters.
template <class Ch>
size_t FindAscii(std::basic_string_view<Ch> s, size_t from, std::string_view what)
{
    for (size_t i = from; i < s.size(); i = Step(s, i)) {
        if (s.size() - i < what.size())
            return std::basic_string_view<Ch>::npos;
        bool hit = true;
        for (size_t k = 0; k < what.size(); ++k)
            if (Code(s[i + k]) != Code(what[k])) {
                hit = false;
                break;
            }
        if (hit)
            return i;
    }
    return std::basic_string_view<Ch>::npos;
}

template <class Ch>
bool StartsWithAscii(std::basic_string_view<Ch> s, size_t at, std::string_view what)
{
    if (at > s.size() || s.size() - at < what.size())
        return false;
    for (size_t k = 0; k < what.size(); ++k)
        if (Code(s[at + k]) != Code(what[k]))
            return false;
    return true;
}

// True when the rest of s from `at` is a proper prefix of `what` (the text
// ended before a construct could be recognised).
template <class Ch>
bool IsCutPrefixOf(std::basic_string_view<Ch> s, size_t at, std::string_view what)
{
    size_t rest = s.size() - at;
    if (rest >= what.size())
        return false;
    for (size_t k = 0; k < rest; ++k)
        if (Code(s[at + k]) != Code(what[k]))
            return false;
    return true;
}

// Tag name scanning: after white space, up to a name terminator.
template <class Ch>
std::basic_string_view<Ch> ScanName(std::basic_string_view<Ch> s, size_t p)
{
    while (p < s.size() && IsSpace(s[p]))
        ++p;
    size_t b = p;
    while (p < s.size() && !EndsName(s[p]))
        p = Step(s, p);
    return s.substr(b, p - b);
}

// ---- numeric character references ----------------------------------------

// Appends the character with code point v; false when this build cannot
// represent it (the reference then stays as written).
[[maybe_unused]] inline bool AppendCodePoint(std::u16string& out, uint32_t v)
{
    if (v == 0 || (v >= 0xD800 && v <= 0xDFFF) || v > 0x10FFFF)
        return false;
    if (v < 0x10000) {
        out.push_back(char16_t(v));
    } else {
        v -= 0x10000;
        out.push_back(char16_t(0xD800 + (v >> 10)));
        out.push_back(char16_t(0xDC00 + (v & 0x3FF)));
    }
    return true;
}

// The 8-bit build keeps its text in the ANSI code page, so the character is
// written in that code page (UTF-8 when the code page is 65001).
[[maybe_unused]] inline bool AppendCodePoint(std::string& out, uint32_t v)
{
    if (v == 0 || (v >= 0xD800 && v <= 0xDFFF) || v > 0x10FFFF)
        return false;
    if (v < 0x80) {
        out.push_back(char(v));
        return true;
    }
    std::u16string wide;
    AppendCodePoint(wide, v);
    int cp = AnsiCodePage();
    std::string bytes = Utf16ToCodePage(cp, wide);
    if (bytes.empty() || CodePageToUtf16(cp, bytes) != wide)
        return false; // not in the code page: keep the reference
    out += bytes;
    return true;
}

// ---- host files ------------------------------------------------------------

[[maybe_unused]] inline std::string HostPathOf(std::string_view ansiPath) { return fs::ToHost(AnsiToUtf16(ansiPath)); }
[[maybe_unused]] inline std::string HostPathOf(std::u16string_view path) { return fs::ToHost(path); }

[[maybe_unused]] inline void SetReport(std::string* report, const std::string& ascii)
{
    if (report)
        *report = ascii;
}
[[maybe_unused]] inline void SetReport(std::u16string* report, const std::string& ascii)
{
    if (report)
        *report = Utf8ToUtf16(ascii);
}

std::string ErrorTextOf(int err) { return std::strerror(err); }

// File bytes to document text: unchanged in the 8-bit build.
[[maybe_unused]] inline void DecodeFile(const std::string& bytes, std::string& out) { out = bytes; }
[[maybe_unused]] inline void DecodeFile(const std::string& bytes, std::u16string& out)
{
    if (bytes.size() >= 2 && Code(bytes[0]) == 0xFF && Code(bytes[1]) == 0xFE) {
        out.clear();
        out.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            out.push_back(char16_t(Code(bytes[i]) | (Code(bytes[i + 1]) << 8)));
        return;
    }
    std::string_view v(bytes);
    if (v.size() >= 3 && Code(v[0]) == 0xEF && Code(v[1]) == 0xBB && Code(v[2]) == 0xBF)
        v.remove_prefix(3);
    out = Utf8ToUtf16(v);
}

[[maybe_unused]] inline std::string EncodeFile(const std::string& doc) { return doc; }
[[maybe_unused]] inline std::string EncodeFile(const std::u16string& doc) { return Utf16ToUtf8(doc); }

constexpr size_t kMaxDocument = size_t(INT32_MAX) - 1;

} // namespace

// ---- the tokenizer ---------------------------------------------------------

template <class Ch>
struct XmlMarkupT<Ch>::Token {
    int type = kNodeEndOfDocument;
    size_t start = 0;
    size_t end = 0;   // one past the token
    bool empty = false; // start tag written as an empty-element tag
    const char* what = nullptr; // error tokens: the construct
    bool unterminated = false;  // error tokens: ran off the end (else "Incorrect")
};

template <class Ch>
typename XmlMarkupT<Ch>::Token XmlMarkupT<Ch>::NextToken(size_t p) const
{
    const StringView d(m_doc);
    const size_t n = d.size();
    Token t;
    t.start = p;
    if (p >= n) {
        t.end = n;
        return t;
    }
    auto unterminated = [&](const char* what) {
        t.type = kNodeError;
        t.what = what;
        t.unterminated = true;
        t.end = n;
        return t;
    };
    auto incorrect = [&](const char* what) {
        t.type = kNodeError;
        t.what = what;
        t.end = p + 1; // only the '<': what follows is read as text
        return t;
    };
    auto through = [&](size_t at, size_t len, int type) {
        t.type = type;
        t.end = at + len;
        return t;
    };

    if (d[p] != Ch('<')) {
        bool blank = true;
        size_t q = p;
        while (q < n && d[q] != Ch('<')) {
            if (!IsSpace(d[q]))
                blank = false;
            q = Step(d, q);
        }
        t.type = blank ? kNodeWhitespace : kNodeText;
        t.end = q;
        return t;
    }
    if (p + 1 >= n)
        return unterminated("tag");
    const Ch c = d[p + 1];
    if (c == Ch('/')) {
        size_t q = FindAscii(d, p + 2, ">");
        if (q == StringView::npos)
            return unterminated("Element end tag");
        return through(q, 1, kNodeEndTag);
    }
    if (c == Ch('?')) {
        size_t q = FindAscii(d, p + 2, "?>");
        if (q == StringView::npos)
            return unterminated("Processing instruction");
        return through(q, 2, kNodeProcessingInstruction);
    }
    if (c == Ch('!')) {
        if (p + 2 >= n)
            return unterminated("tag");
        const Ch c2 = d[p + 2];
        if (c2 == Ch('-')) {
            if (p + 3 >= n)
                return unterminated("tag");
            if (d[p + 3] != Ch('-'))
                return incorrect("comment tag");
            size_t q = FindAscii(d, p + 4, "-->");
            if (q == StringView::npos)
                return unterminated("Comment");
            return through(q, 3, kNodeComment);
        }
        if (c2 == Ch('[')) {
            if (IsCutPrefixOf(d, p, "<![CDATA["))
                return unterminated("tag");
            if (!StartsWithAscii(d, p, "<![CDATA["))
                return incorrect("! tag");
            size_t q = FindAscii(d, p + 9, "]]>");
            if (q == StringView::npos)
                return unterminated("CDATA Section");
            return through(q, 3, kNodeCData);
        }
        if (IsCutPrefixOf(d, p, "<!DOCTYPE"))
            return unterminated("tag");
        if (!StartsWithAscii(d, p, "<!DOCTYPE"))
            return incorrect("! tag");
        // Up to the '>' that closes the declaration: quoted literals and a
        // bracketed internal subset may hold '>' of their own.
        int depth = 0;
        Ch quote = 0;
        for (size_t q = p + 9; q < n; q = Step(d, q)) {
            Ch x = d[q];
            if (quote) {
                if (x == quote)
                    quote = 0;
            } else if (x == Ch('"') || x == Ch('\'')) {
                quote = x;
            } else if (x == Ch('[')) {
                ++depth;
            } else if (x == Ch(']')) {
                if (depth > 0)
                    --depth;
            } else if (x == Ch('>') && depth == 0) {
                return through(q, 1, kNodeDocType);
            }
        }
        return unterminated("Doctype");
    }
    if (IsNameStart(c)) {
        Ch quote = 0;
        for (size_t q = p + 1; q < n; q = Step(d, q)) {
            Ch x = d[q];
            if (quote) {
                if (x == quote)
                    quote = 0;
            } else if (x == Ch('"') || x == Ch('\'')) {
                quote = x;
            } else if (x == Ch('>')) {
                t.type = kNodeElement;
                t.end = q + 1;
                t.empty = d[q - 1] == Ch('/');
                return t;
            }
        }
        return unterminated("Element tag");
    }
    return incorrect("tag name character");
}

// ---- records -----------------------------------------------------------------

template <class Ch>
XmlMarkupT<Ch>::XmlMarkupT()
{
    ClearIndex(0);
}

template <class Ch>
XmlMarkupT<Ch>::XmlMarkupT(StringView text)
{
    ClearIndex(0);
    LoadText(text);
}

template <class Ch>
typename XmlMarkupT<Ch>::ElemPos& XmlMarkupT<Ch>::Rec(int32_t i)
{
    return m_blocks[size_t(i) >> kBlockBits][size_t(i) & (kBlockSize - 1)];
}

template <class Ch>
const typename XmlMarkupT<Ch>::ElemPos& XmlMarkupT<Ch>::Rec(int32_t i) const
{
    return m_blocks[size_t(i) >> kBlockBits][size_t(i) & (kBlockSize - 1)];
}

template <class Ch>
const typename XmlMarkupT<Ch>::ElemPos* XmlMarkupT<Ch>::Record(int32_t i) const
{
    if (i < 0 || i >= m_used || (Rec(i).flags & kFlagFree))
        return nullptr;
    return &Rec(i);
}

template <class Ch>
int32_t XmlMarkupT<Ch>::NewRecord()
{
    if (!m_freeList.empty()) {
        int32_t i = m_freeList.back();
        m_freeList.pop_back();
        Rec(i) = ElemPos {};
        return i;
    }
    int32_t i = m_used;
    size_t block = size_t(i) >> kBlockBits;
    if (block == m_blocks.size())
        m_blocks.emplace_back().reserve(16);
    m_blocks[block].push_back(ElemPos {});
    ++m_used;
    return i;
}

template <class Ch>
void XmlMarkupT<Ch>::ClearIndex(size_t expected)
{
    m_blocks.clear();
    m_freeList.clear();
    m_used = 0;
    m_blocks.emplace_back().reserve(std::min<size_t>(expected, kBlockSize));
    NewRecord(); // record 0: the document
    m_posParent = m_pos = m_posChild = 0;
}

template <class Ch>
int32_t XmlMarkupT<Ch>::LastChild(int32_t parent) const
{
    int32_t first = Rec(parent).child;
    return first ? Rec(first).prev : 0;
}

template <class Ch>
void XmlMarkupT<Ch>::LinkLast(int32_t parent, int32_t r)
{
    LinkAfter(parent, LastChild(parent), r);
}

// Links r into parent's children after `after` (0: as the first child).
template <class Ch>
void XmlMarkupT<Ch>::LinkAfter(int32_t parent, int32_t after, int32_t r)
{
    ElemPos& e = Rec(r);
    e.parent = parent;
    int32_t first = Rec(parent).child;
    if (!first) {
        Rec(parent).child = r;
        e.prev = r;
        e.next = 0;
    } else if (!after) {
        e.next = first;
        e.prev = Rec(first).prev;
        Rec(first).prev = r;
        Rec(parent).child = r;
    } else {
        e.prev = after;
        e.next = Rec(after).next;
        Rec(after).next = r;
        if (e.next)
            Rec(e.next).prev = r;
        else
            Rec(first).prev = r;
    }
}

template <class Ch>
void XmlMarkupT<Ch>::FreeSubtree(int32_t first)
{
    std::vector<int32_t> todo;
    if (first)
        todo.push_back(first);
    while (!todo.empty()) {
        int32_t c = todo.back();
        todo.pop_back();
        while (c) {
            ElemPos& e = Rec(c);
            int32_t next = e.next;
            if (e.child)
                todo.push_back(e.child);
            e = ElemPos {};
            e.flags = kFlagFree;
            m_freeList.push_back(c);
            c = next;
        }
    }
}

// ---- parsing -----------------------------------------------------------------

template <class Ch>
void XmlMarkupT<Ch>::AddError(const String& text)
{
    if (!m_error.empty())
        m_error += Ascii<Ch>(", ");
    m_error += text;
}

template <class Ch>
typename XmlMarkupT<Ch>::StringView XmlMarkupT<Ch>::NameAt(size_t tagStart) const
{
    const StringView d(m_doc);
    size_t p = tagStart + 1;
    if (p < d.size() && d[p] == Ch('/'))
        ++p;
    return ScanName(d, p);
}

template <class Ch>
typename XmlMarkupT<Ch>::StringView XmlMarkupT<Ch>::ElementNameOf(int32_t r) const
{
    if (r <= 0)
        return {};
    return NameAt(size_t(Rec(r).start));
}

template <class Ch>
bool XmlMarkupT<Ch>::NameMatches(StringView elementName, StringView name) const
{
    if (name.empty())
        return true;
    if (m_docFlags & kMatchNoCase)
        return EqualNoCase(elementName, name);
    return elementName == name;
}

template <class Ch>
typename XmlMarkupT<Ch>::String XmlMarkupT<Ch>::NameKey(StringView name) const
{
    String key(name);
    if (m_docFlags & kMatchNoCase) {
        for (size_t i = 0; i < key.size();) {
            size_t n = CharLen(key.data() + i, key.size() - i);
            if (n == 1)
                key[i] = Fold(key[i]);
            i += n;
        }
    }
    return key;
}

// Closes every open element above stack[keep] with its end tag missing. Each
// keeps only its start tag; its children become children of stack[keep], in
// text order. Done for all of them in one pass, so no element is moved more
// than once however deep the unclosed run is.
template <class Ch>
void XmlMarkupT<Ch>::CloseMissingAbove(std::vector<int32_t>& stack, size_t keep)
{
    const int32_t target = stack[keep];
    for (size_t j = keep + 1; j < stack.size(); ++j) {
        const int32_t r = stack[j];
        ElemPos& e = Rec(r);
        e.length = e.startTagLen;
        e.endTagLen = 0;
        e.flags |= kFlagEndTagMissing | kFlagIllFormed;
        const int32_t first = e.child;
        if (!first)
            continue;
        e.child = 0;
        const int32_t last = Rec(first).prev;
        for (int32_t c = first; c; c = Rec(c).next)
            Rec(c).parent = target;
        // r is the last child of target here: its own children follow it.
        Rec(r).next = first;
        Rec(first).prev = r;
        Rec(Rec(target).child).prev = last;
    }
}

template <class Ch>
bool XmlMarkupT<Ch>::Parse()
{
    const StringView d(m_doc);
    const size_t n = d.size();
    m_error.clear();
    ClearIndex(n / 64 + 8);
    Rec(0).length = int32_t(n);
    if (n == 0) {
        AddError(Ascii<Ch>("Empty document"));
        Rec(0).flags |= kFlagNotWellFormed;
        return false;
    }

    std::vector<int32_t> stack;
    std::vector<String> keys; // NameKey of each stack entry
    stack.reserve(6);
    keys.reserve(6);
    // How many open elements carry each name: an end tag that matches none
    // is found out without walking the whole stack.
    std::unordered_map<String, size_t> openCount;

    auto popTo = [&](size_t size) {
        while (stack.size() > size) {
            auto it = openCount.find(keys.back());
            if (it != openCount.end() && --it->second == 0)
                openCount.erase(it);
            stack.pop_back();
            keys.pop_back();
        }
    };

    for (size_t p = 0;;) {
        const Token t = NextToken(p);
        if (t.type == kNodeEndOfDocument)
            break;
        p = t.end;
        if (t.type == kNodeError) {
            if (t.unterminated)
                AddError(Ascii<Ch>(t.what) + Ascii<Ch>(" at offset ") + Number<Ch>((long long)t.start) +
                         Ascii<Ch>(" unterminated"));
            else
                AddError(Ascii<Ch>("Incorrect ") + Ascii<Ch>(t.what) + Ascii<Ch>(" at offset ") +
                         Number<Ch>((long long)t.start));
            continue;
        }
        if (t.type == kNodeElement) {
            const int32_t parent = stack.empty() ? 0 : stack.back();
            const int32_t r = NewRecord();
            ElemPos& e = Rec(r);
            e.start = int32_t(t.start);
            e.startTagLen = int32_t(t.end - t.start);
            LinkLast(parent, r);
            if (t.empty) {
                e.length = e.startTagLen;
                e.flags |= kFlagEmptyElement;
            } else {
                keys.push_back(NameKey(NameAt(t.start)));
                stack.push_back(r);
                ++openCount[keys.back()];
            }
            continue;
        }
        if (t.type != kNodeEndTag)
            continue;

        const StringView name = NameAt(t.start);
        const String key = NameKey(name);
        if (!openCount.count(key)) {
            AddError(Ascii<Ch>("No start tag for end tag '") + String(name) + Ascii<Ch>("' at offset ") +
                     Number<Ch>((long long)t.start));
            continue;
        }
        size_t match = stack.size() - 1;
        while (keys[match] != key)
            --match; // openCount guarantees a match below
        for (size_t j = stack.size() - 1; j > match; --j) {
            const int32_t open = stack[j];
            AddError(Ascii<Ch>("End tag '") + String(name) + Ascii<Ch>("' at offset ") +
                     Number<Ch>((long long)t.start) + Ascii<Ch>(" does not match start tag '") +
                     String(ElementNameOf(open)) + Ascii<Ch>("' at offset ") +
                     Number<Ch>((long long)Rec(open).start));
        }
        CloseMissingAbove(stack, match);
        ElemPos& e = Rec(stack[match]);
        e.length = int32_t(t.end) - e.start;
        e.endTagLen = int32_t(t.end - t.start);
        popTo(match);
    }

    // Still open at the end of the text: each runs to the end and keeps its
    // children, so a cut-off document can still be navigated.
    for (size_t j = stack.size(); j-- > 0;) {
        ElemPos& e = Rec(stack[j]);
        AddError(Ascii<Ch>("Element '") + String(ElementNameOf(stack[j])) + Ascii<Ch>("' at offset ") +
                 Number<Ch>((long long)e.start) + Ascii<Ch>(" not ended"));
        e.length = int32_t(n) - e.start;
        e.endTagLen = 0;
        e.flags |= kFlagEndTagMissing | kFlagIllFormed | kFlagUnended;
    }
    popTo(0);

    const int32_t root = Rec(0).child;
    if (!root)
        AddError(Ascii<Ch>("No root element"));
    else if (Rec(root).next)
        AddError(Ascii<Ch>("Root element has sibling"));

    if (!m_error.empty())
        Rec(0).flags |= kFlagNotWellFormed;
    return m_error.empty();
}

template <class Ch>
bool XmlMarkupT<Ch>::LoadText(StringView text)
{
    try {
        if (text.size() > kMaxDocument) {
            m_doc.clear();
            ClearIndex(0);
            m_error = Ascii<Ch>("Document too large");
            Rec(0).flags |= kFlagNotWellFormed;
            return false;
        }
        m_doc.assign(text);
        return Parse();
    } catch (const std::bad_alloc&) {
        m_doc.clear();
        m_doc.shrink_to_fit();
        ClearIndex(0);
        m_error = Ascii<Ch>("Out of memory");
        Rec(0).flags |= kFlagNotWellFormed;
        return false;
    }
}

template <class Ch>
bool XmlMarkupT<Ch>::LoadText(const Ch* text)
{
    return LoadText(text ? StringView(text) : StringView());
}

template <class Ch>
bool XmlMarkupT<Ch>::IsWellFormed() const
{
    return !(Rec(0).flags & kFlagNotWellFormed);
}

// ---- navigation --------------------------------------------------------------

template <class Ch>
int32_t XmlMarkupT<Ch>::FindSibling(int32_t parent, int32_t from, StringView name, bool restart) const
{
    const int32_t begin = from ? Rec(from).next : Rec(parent).child;
    for (int32_t c = begin; c; c = Rec(c).next)
        if (NameMatches(ElementNameOf(c), name))
            return c;
    if (restart)
        for (int32_t c = Rec(parent).child; c && c != begin; c = Rec(c).next)
            if (NameMatches(ElementNameOf(c), name))
                return c;
    return 0;
}

template <class Ch>
bool XmlMarkupT<Ch>::FindNext(StringView name, bool restart)
{
    int32_t r = FindSibling(m_posParent, m_pos, name, restart);
    if (!r)
        return false;
    m_pos = r;
    m_posChild = 0;
    return true;
}

template <class Ch>
bool XmlMarkupT<Ch>::FindChild(StringView name, bool restart)
{
    if (!m_pos)
        return false;
    int32_t r = FindSibling(m_pos, m_posChild, name, restart);
    if (!r)
        return false;
    m_posChild = r;
    return true;
}

template <class Ch>
bool XmlMarkupT<Ch>::Descend()
{
    if (!m_pos)
        return false;
    m_posParent = m_pos;
    m_pos = m_posChild;
    m_posChild = 0;
    return true;
}

template <class Ch>
bool XmlMarkupT<Ch>::Ascend()
{
    if (!m_posParent)
        return false;
    m_posChild = m_pos;
    m_pos = m_posParent;
    m_posParent = Rec(m_pos).parent;
    return true;
}

template <class Ch>
void XmlMarkupT<Ch>::ResetPos()
{
    m_posParent = m_pos = m_posChild = 0;
}

// ---- reading -------------------------------------------------------------------

template <class Ch>
typename XmlMarkupT<Ch>::String XmlMarkupT<Ch>::DataOf(int32_t r) const
{
    if (r <= 0)
        return {};
    const ElemPos& e = Rec(r);
    if (e.child || (e.flags & kFlagEmptyElement))
        return {};
    const size_t begin = size_t(e.start) + size_t(e.startTagLen);
    const size_t end = size_t(e.start) + size_t(e.length) - size_t(e.endTagLen);
    const StringView d(m_doc);
    String out;
    for (size_t p = begin; p < end;) {
        Token t = NextToken(p);
        if (t.type == kNodeEndOfDocument)
            break;
        size_t stop = std::min(t.end, end);
        switch (t.type) {
        case kNodeText:
        case kNodeWhitespace:
            out += UnescapeText(d.substr(p, stop - p));
            break;
        case kNodeCData:
            if (stop == t.end)
                out += d.substr(p + 9, t.end - 3 - (p + 9));
            break;
        case kNodeError:
            // A '<' that starts nothing ("1 < 2") is part of the text.
            if (!t.unterminated)
                out += d.substr(p, stop - p);
            break;
        default:
            break; // comments, processing instructions, stray end tags
        }
        p = stop;
    }
    return out;
}

template <class Ch>
typename XmlMarkupT<Ch>::String XmlMarkupT<Ch>::AttributeOf(int32_t r, StringView name) const
{
    if (r <= 0 || name.empty())
        return {};
    const ElemPos& e = Rec(r);
    const StringView d(m_doc);
    // The inside of the start tag, without '<' and '>' (or "/>").
    size_t end = size_t(e.start) + size_t(e.startTagLen) - 1;
    if (e.flags & kFlagEmptyElement)
        --end;
    const StringView tag = d.substr(0, end);
    const StringView elementName = ElementNameOf(r);
    size_t p = size_t(elementName.data() - d.data()) + elementName.size();
    while (p < end) {
        while (p < end && IsSpace(tag[p]))
            ++p;
        if (p >= end)
            break;
        const size_t nameBegin = p;
        while (p < end && !IsSpace(tag[p]) && tag[p] != Ch('=') && tag[p] != Ch('/'))
            p = Step(tag, p);
        const StringView attrName = tag.substr(nameBegin, p - nameBegin);
        if (attrName.empty()) {
            ++p; // a stray '=' or '/'
            continue;
        }
        while (p < end && IsSpace(tag[p]))
            ++p;
        StringView value;
        if (p < end && tag[p] == Ch('=')) {
            ++p;
            while (p < end && IsSpace(tag[p]))
                ++p;
            if (p < end && (tag[p] == Ch('"') || tag[p] == Ch('\''))) {
                const Ch quote = tag[p++];
                size_t q = p;
                while (q < end && tag[q] != quote)
                    q = Step(tag, q);
                value = tag.substr(p, std::min(q, end) - p);
                p = q + 1;
            } else {
                size_t q = p;
                while (q < end && !IsSpace(tag[q]))
                    q = Step(tag, q);
                value = tag.substr(p, q - p);
                p = q;
            }
        }
        if (NameMatches(attrName, name))
            return UnescapeText(value);
    }
    return {};
}

template <class Ch>
typename XmlMarkupT<Ch>::String XmlMarkupT<Ch>::ElementName() const
{
    return String(ElementNameOf(m_pos));
}

template <class Ch>
typename XmlMarkupT<Ch>::String XmlMarkupT<Ch>::ElementData() const
{
    try {
        return DataOf(m_pos);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

template <class Ch>
typename XmlMarkupT<Ch>::String XmlMarkupT<Ch>::AttributeValue(StringView name) const
{
    try {
        return AttributeOf(m_pos, name);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

template <class Ch>
typename XmlMarkupT<Ch>::String XmlMarkupT<Ch>::ChildName() const
{
    return String(ElementNameOf(m_posChild));
}

template <class Ch>
typename XmlMarkupT<Ch>::String XmlMarkupT<Ch>::ChildData() const
{
    try {
        return DataOf(m_posChild);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// ---- building ------------------------------------------------------------------

template <class Ch>
bool XmlMarkupT<Ch>::IsValidName(StringView name)
{
    if (name.empty() || !IsNameStart(name[0]))
        return false;
    for (size_t i = 0; i < name.size(); i = Step(name, i)) {
        Ch c = name[i];
        if (EndsName(c) || c == Ch('&') || c == Ch('"') || c == Ch('\'') || c == Ch('[') || c == Ch(']') ||
            Code(c) < 0x20)
            return false;
    }
    return true;
}

// Replaces doc[offset, offset+removeLen) with text and shifts the index:
// records after the replaced range move by the difference, `container` and
// its ancestors (the records that enclose the range) change length. Records
// inside the removed range must have been freed by the caller. The caller
// has checked the size with CanGrow, so this cannot fail.
template <class Ch>
bool XmlMarkupT<Ch>::Splice(size_t offset, size_t removeLen, const String& text, int32_t container)
{
    const size_t needed = m_doc.size() - removeLen + text.size();
    if (needed > m_doc.capacity())
        m_doc.reserve(std::min(needed + needed / 2 + 128, kMaxDocument));
    m_doc.replace(offset, removeLen, text);
    const int32_t delta = int32_t(int64_t(text.size()) - int64_t(removeLen));
    const size_t after = offset + removeLen;
    for (int32_t i = 1; i < m_used; ++i) {
        ElemPos& e = Rec(i);
        if (!(e.flags & kFlagFree) && size_t(e.start) >= after)
            e.start += delta;
    }
    for (int32_t c = container; c > 0; c = Rec(c).parent)
        Rec(c).length += delta;
    Rec(0).length = int32_t(m_doc.size());
    return true;
}

template <class Ch>
bool XmlMarkupT<Ch>::InsertElement(int32_t parent, int32_t after, StringView name, StringView data,
                                   int32_t& made)
{
    if (!IsValidName(name))
        return false;
    const String esc = EscapeText(data);
    String elem = Ascii<Ch>("<") + String(name);
    if (esc.empty())
        elem += Ascii<Ch>("/>");
    else
        elem += Ascii<Ch>(">") + esc + Ascii<Ch>("</") + String(name) + Ascii<Ch>(">");
    const String crlf = Ascii<Ch>("\r\n");

    size_t at = 0;          // where the text goes
    size_t removeLen = 0;   // what it replaces
    size_t elemOffset = 0;  // of the new element inside the text
    int32_t container = parent;
    String text;
    enum { Plain, OpenEmptyTag, AddEndTag } fix = Plain;
    String parentName;

    if (parent == 0) {
        if (Rec(0).child)
            return false; // a document has one root element
        at = m_doc.size();
        if (!m_doc.empty() && m_doc.back() != Ch('\n'))
            text = crlf;
        elemOffset = text.size();
        text += elem;
    } else if (after) {
        if (Rec(after).flags & kFlagUnended)
            return false; // it has no end: nothing can follow it
        at = size_t(Rec(after).start) + size_t(Rec(after).length);
        text = crlf;
        elemOffset = text.size();
        text += elem;
    } else {
        const ElemPos& p = Rec(parent);
        parentName = String(ElementNameOf(parent));
        const size_t contentBegin = size_t(p.start) + size_t(p.startTagLen);
        const size_t contentEnd = size_t(p.start) + size_t(p.length) - size_t(p.endTagLen);
        if (p.flags & kFlagEmptyElement) {
            // "<name .../>" opens into "<name ...>", CR LF, element, CR LF, end tag.
            at = size_t(p.start);
            removeLen = size_t(p.startTagLen);
            text = m_doc.substr(at, removeLen - 2) + Ascii<Ch>(">") + crlf;
            elemOffset = text.size();
            text += elem + crlf + Ascii<Ch>("</") + parentName + Ascii<Ch>(">");
            container = p.parent;
            fix = OpenEmptyTag;
        } else if (contentBegin >= contentEnd) {
            at = contentBegin;
            text = crlf;
            elemOffset = text.size();
            text += elem + crlf;
            if (p.flags & kFlagEndTagMissing) {
                text += Ascii<Ch>("</") + parentName + Ascii<Ch>(">");
                fix = AddEndTag;
            }
        } else {
            at = contentEnd;
            if (m_doc[contentEnd - 1] != Ch('\n'))
                text = crlf;
            elemOffset = text.size();
            text += elem + crlf;
        }
    }
    if (m_doc.size() - removeLen + text.size() > kMaxDocument)
        return false;

    made = NewRecord();
    Splice(at, removeLen, text, container);

    if (fix == OpenEmptyTag) {
        ElemPos& p = Rec(parent);
        p.startTagLen -= 1;
        p.endTagLen = int32_t(parentName.size() + 3);
        p.length = int32_t(text.size());
        p.flags &= ~kFlagEmptyElement;
    } else if (fix == AddEndTag) {
        ElemPos& p = Rec(parent);
        p.endTagLen = int32_t(parentName.size() + 3);
        p.flags &= ~(kFlagEndTagMissing | kFlagUnended);
    }
    ElemPos& e = Rec(made);
    e.start = int32_t(at + elemOffset);
    e.length = int32_t(elem.size());
    if (esc.empty()) {
        e.startTagLen = e.length;
        e.flags = kFlagEmptyElement;
    } else {
        e.startTagLen = int32_t(name.size() + 2);
        e.endTagLen = int32_t(name.size() + 3);
    }
    LinkAfter(parent, after, made);
    return true;
}

template <class Ch>
bool XmlMarkupT<Ch>::AppendElement(StringView name, StringView data)
{
    try {
        const int32_t after = m_pos ? m_pos : LastChild(m_posParent);
        int32_t made = 0;
        if (!InsertElement(m_posParent, after, name, data, made))
            return false;
        m_pos = made;
        m_posChild = 0;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

template <class Ch>
bool XmlMarkupT<Ch>::AppendElement(StringView name, long long number)
{
    return AppendElement(name, StringView(Number<Ch>(number)));
}

template <class Ch>
bool XmlMarkupT<Ch>::AppendChild(StringView name, StringView data)
{
    if (!m_pos)
        return false;
    try {
        int32_t made = 0;
        if (!InsertElement(m_pos, LastChild(m_pos), name, data, made))
            return false;
        m_posChild = made;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

template <class Ch>
bool XmlMarkupT<Ch>::AppendAttribute(StringView name, StringView value)
{
    if (!m_pos || !IsValidName(name))
        return false;
    try {
        ElemPos& e = Rec(m_pos);
        size_t at = size_t(e.start) + size_t(e.startTagLen) - 1; // the '>'
        if (e.flags & kFlagEmptyElement)
            --at; // before "/>"
        const String text = Ascii<Ch>(" ") + String(name) + Ascii<Ch>("=\"") +
                            EscapeText(value, kEscapeAttribute) + Ascii<Ch>("\"");
        if (m_doc.size() + text.size() > kMaxDocument)
            return false;
        Splice(at, 0, text, m_pos);
        Rec(m_pos).startTagLen += int32_t(text.size());
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

template <class Ch>
bool XmlMarkupT<Ch>::ReplaceDataOf(int32_t r, StringView data)
{
    if (r <= 0)
        return false;
    const String esc = EscapeText(data);
    const String name(ElementNameOf(r));
    const String endTag = Ascii<Ch>("</") + name + Ascii<Ch>(">");
    ElemPos& e = Rec(r);
    if (e.flags & kFlagEmptyElement) {
        if (esc.empty())
            return true;
        const size_t at = size_t(e.start);
        const String text = m_doc.substr(at, size_t(e.startTagLen) - 2) + Ascii<Ch>(">") + esc + endTag;
        if (m_doc.size() - size_t(e.startTagLen) + text.size() > kMaxDocument)
            return false;
        const int32_t removeLen = e.startTagLen;
        Splice(at, size_t(removeLen), text, e.parent);
        ElemPos& f = Rec(r);
        f.startTagLen = removeLen - 1;
        f.endTagLen = int32_t(endTag.size());
        f.length = int32_t(text.size());
        f.flags &= ~kFlagEmptyElement;
        return true;
    }
    const size_t begin = size_t(e.start) + size_t(e.startTagLen);
    const size_t end = size_t(e.start) + size_t(e.length) - size_t(e.endTagLen);
    const bool addEnd = (e.flags & kFlagEndTagMissing) != 0;
    const String text = addEnd ? esc + endTag : esc;
    if (m_doc.size() - (end - begin) + text.size() > kMaxDocument)
        return false;
    m_doc.reserve(m_doc.size() - (end - begin) + text.size());
    FreeSubtree(e.child);
    Rec(r).child = 0;
    Splice(begin, end - begin, text, Rec(r).parent);
    ElemPos& f = Rec(r);
    if (addEnd)
        f.endTagLen = int32_t(endTag.size());
    f.length = f.startTagLen + int32_t(esc.size()) + f.endTagLen;
    f.flags &= ~(kFlagEndTagMissing | kFlagUnended);
    return true;
}

template <class Ch>
bool XmlMarkupT<Ch>::ReplaceData(StringView data)
{
    try {
        if (!ReplaceDataOf(m_pos, data))
            return false;
        m_posChild = 0;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

template <class Ch>
bool XmlMarkupT<Ch>::ReplaceChildData(StringView data)
{
    try {
        return ReplaceDataOf(m_posChild, data);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// ---- entities ------------------------------------------------------------------

template <class Ch>
typename XmlMarkupT<Ch>::String XmlMarkupT<Ch>::EscapeText(StringView text, int options)
{
    String out;
    try {
        out.reserve(text.size() + text.size() / 10 + 7);
        for (size_t i = 0; i < text.size();) {
            const size_t n = CharLen(text.data() + i, text.size() - i);
            if (n > 1) {
                out.append(text.substr(i, n));
                i += n;
                continue;
            }
            const Ch c = text[i];
            switch (Code(c)) {
            case '<': out += Ascii<Ch>("&lt;"); break;
            case '>': out += Ascii<Ch>("&gt;"); break;
            case '\'':
                if (options & kEscapeAttribute)
                    out += Ascii<Ch>("&apos;");
                else
                    out += c;
                break;
            case '"':
                if (options & kEscapeAttribute)
                    out += Ascii<Ch>("&quot;");
                else
                    out += c;
                break;
            case '&': {
                if (options & kEscapeKeepReferences) {
                    // "&" name-start name-chars* ";" is already a reference.
                    size_t j = i + 1;
                    if (j < text.size() && (IsNameStart(text[j]) || text[j] == Ch('#'))) {
                        j = Step(text, j);
                        while (j < text.size() && (IsAsciiLetter(text[j]) || IsDigit(text[j]) ||
                                                   text[j] == Ch('_') || text[j] == Ch(':') ||
                                                   text[j] == Ch('-') || text[j] == Ch('.') ||
                                                   Code(text[j]) > 127))
                            j = Step(text, j);
                        if (j < text.size() && text[j] == Ch(';')) {
                            out.append(text.substr(i, j + 1 - i));
                            i = j + 1;
                            continue;
                        }
                    }
                }
                out += Ascii<Ch>("&amp;");
                break;
            }
            default:
                out += c;
                break;
            }
            ++i;
        }
    } catch (const std::bad_alloc&) {
        return {};
    }
    return out;
}

template <class Ch>
typename XmlMarkupT<Ch>::String XmlMarkupT<Ch>::UnescapeText(StringView text)
{
    static const struct {
        std::string_view ref;
        char c;
    } kNamed[] = {{"&lt;", '<'}, {"&amp;", '&'}, {"&gt;", '>'}, {"&apos;", '\''}, {"&quot;", '"'}};
    String out;
    try {
        out.reserve(text.size());
        for (size_t i = 0; i < text.size();) {
            if (text[i] != Ch('&')) {
                const size_t n = CharLen(text.data() + i, text.size() - i);
                out.append(text.substr(i, n));
                i += n;
                continue;
            }
            bool done = false;
            for (const auto& named : kNamed)
                if (StartsWithAscii(text, i, named.ref)) {
                    out += Ch(named.c);
                    i += named.ref.size();
                    done = true;
                    break;
                }
            if (!done && i + 1 < text.size() && text[i + 1] == Ch('#')) {
                // "&#" up to seven decimal digits ";" or "&#x" hex digits ";".
                size_t j = i + 2;
                const bool hex = j < text.size() && text[j] == Ch('x');
                if (hex)
                    ++j;
                const size_t digitsBegin = j;
                const size_t maxDigits = hex ? 6 : 7;
                uint32_t v = 0;
                while (j < text.size() && j - digitsBegin < maxDigits) {
                    unsigned u = Code(text[j]);
                    int digit = -1;
                    if (u >= '0' && u <= '9')
                        digit = int(u - '0');
                    else if (hex && u >= 'a' && u <= 'f')
                        digit = int(u - 'a' + 10);
                    else if (hex && u >= 'A' && u <= 'F')
                        digit = int(u - 'A' + 10);
                    if (digit < 0)
                        break;
                    v = v * (hex ? 16 : 10) + uint32_t(digit);
                    ++j;
                }
                if (j > digitsBegin && j < text.size() && text[j] == Ch(';') && AppendCodePoint(out, v)) {
                    i = j + 1;
                    done = true;
                }
            }
            if (!done) {
                out += text[i];
                ++i;
            }
        }
    } catch (const std::bad_alloc&) {
        return {};
    }
    return out;
}

// ---- files ---------------------------------------------------------------------

template <class Ch>
bool XmlMarkupT<Ch>::ReadTextFile(StringView path, String* report)
{
    try {
        const std::string host = HostPathOf(path);
        FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "rb");
        if (!f) {
            SetReport(report, ErrorTextOf(host.empty() ? ENOENT : errno));
            return false;
        }
        std::string bytes;
        char buf[65536];
        size_t got;
        while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) {
            if (bytes.size() + got > kMaxDocument) {
                std::fclose(f);
                SetReport(report, ErrorTextOf(EFBIG));
                return false;
            }
            bytes.append(buf, got);
        }
        const bool failed = std::ferror(f) != 0;
        const int err = errno;
        std::fclose(f);
        if (failed) {
            SetReport(report, ErrorTextOf(err));
            return false;
        }
        String text;
        DecodeFile(bytes, text);
        LoadText(text);
        SetReport(report, std::to_string(bytes.size()) + " bytes");
        return true;
    } catch (const std::bad_alloc&) {
        SetReport(report, ErrorTextOf(ENOMEM));
        return false;
    }
}

template <class Ch>
bool XmlMarkupT<Ch>::WriteTextFile(StringView path, String* report) const
{
    try {
        const std::string host = HostPathOf(path);
        FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "wb");
        if (!f) {
            SetReport(report, ErrorTextOf(host.empty() ? ENOENT : errno));
            return false;
        }
        const std::string bytes = EncodeFile(m_doc);
        const size_t put = std::fwrite(bytes.data(), 1, bytes.size(), f);
        int err = errno;
        bool ok = put == bytes.size();
        if (std::fclose(f) != 0 && ok) {
            ok = false;
            err = errno;
        }
        if (!ok) {
            SetReport(report, ErrorTextOf(err));
            return false;
        }
        SetReport(report, std::to_string(bytes.size()) + " bytes");
        return true;
    } catch (const std::bad_alloc&) {
        SetReport(report, ErrorTextOf(ENOMEM));
        return false;
    }
}

// ---- index check -----------------------------------------------------------------

template <class Ch>
std::string XmlMarkupT<Ch>::CheckIndex() const
{
    const StringView d(m_doc);
    auto fail = [](int32_t r, const char* what) { return "record " + std::to_string(r) + ": " + what; };
    if (Rec(0).start != 0 || size_t(Rec(0).length) != d.size())
        return fail(0, "document record does not span the text");
    std::vector<int32_t> todo {0};
    size_t seen = 0;
    while (!todo.empty()) {
        const int32_t r = todo.back();
        todo.pop_back();
        ++seen;
        const ElemPos& e = Rec(r);
        if (e.flags & kFlagFree)
            return fail(r, "free record is linked");
        size_t contentBegin = 0, contentEnd = d.size();
        if (r) {
            const size_t s = size_t(e.start), len = size_t(e.length);
            if (s + len > d.size() || e.startTagLen <= 0 || size_t(e.startTagLen) > len)
                return fail(r, "extent out of range");
            if (d[s] != Ch('<') || ElementNameOf(r).empty())
                return fail(r, "does not start with a tag");
            if (d[s + size_t(e.startTagLen) - 1] != Ch('>'))
                return fail(r, "start tag does not end with '>'");
            if ((e.flags & kFlagEmptyElement) && (e.endTagLen || size_t(e.startTagLen) != len))
                return fail(r, "empty-element tag with content");
            if (e.endTagLen) {
                const size_t et = s + len - size_t(e.endTagLen);
                if (d[et] != Ch('<') || d[et + 1] != Ch('/') || d[s + len - 1] != Ch('>'))
                    return fail(r, "end tag not where recorded");
            } else if (!(e.flags & (kFlagEmptyElement | kFlagEndTagMissing))) {
                return fail(r, "no end tag and not marked");
            }
            contentBegin = s + size_t(e.startTagLen);
            contentEnd = s + len - size_t(e.endTagLen);
        }
        size_t last = contentBegin;
        int32_t prev = 0, lastChild = 0;
        for (int32_t c = e.child; c; c = Rec(c).next) {
            const ElemPos& k = Rec(c);
            if (k.parent != r)
                return fail(c, "parent link wrong");
            if (prev && k.prev != prev)
                return fail(c, "prev link wrong");
            if (size_t(k.start) < last || size_t(k.start) + size_t(k.length) > contentEnd)
                return fail(c, "not inside its parent in order");
            last = size_t(k.start) + size_t(k.length);
            prev = lastChild = c;
            todo.push_back(c);
        }
        if (e.child && Rec(e.child).prev != lastChild)
            return fail(e.child, "first child's prev is not the last sibling");
    }
    if (seen + m_freeList.size() != size_t(m_used))
        return "records leaked: " + std::to_string(m_used - int32_t(seen + m_freeList.size()));
    return {};
}

template class XmlMarkupT<VEL_MARKUP_CHAR>;

} // namespace vel
