// The reader: a single forward pass over UTF-16 text that builds the tree.
//
// Open elements are kept on an explicit stack instead of the call stack, so
// hostile nesting costs heap, not stack, and is refused past kMaxDepth.
// Every node is attached to its parent as soon as it is made, so on any
// failure freeing the root frees everything built so far.
//
// Lexical rules: tokens are separated by tab, LF, CR or space; a literal
// matches after such white space and leaves the position alone when it does
// not match; a name is the longest run of alphanumeric characters (by the
// wide-character classification, so CJK letters count) and - . : _.
// Character data and attribute values are decoded alike: white space runs
// (by the wide-character space class) are dropped at the start and folded to
// one space elsewhere; the predefined entities and &nbsp; (names ignoring
// case) and decimal character references are replaced; any other & is kept
// as it stands.

#include "CharClass.h"
#include "ZBXMLElement.h"

#include "platform/base/Strings.h"

#include <cstring>

namespace vel {

struct ZBXMLParser {
    const char16_t* p;
    const char16_t* end;

    void SkipSpace()
    {
        while (p < end && xmlchar::IsSkipSpace(*p))
            ++p;
    }

    static bool StartsWith(const char16_t* at, const char16_t* end, std::u16string_view lit)
    {
        return static_cast<size_t>(end - at) >= lit.size() &&
               std::memcmp(at, lit.data(), lit.size() * sizeof(char16_t)) == 0;
    }

    bool Match(std::u16string_view lit)
    {
        const char16_t* save = p;
        SkipSpace();
        if (StartsWith(p, end, lit)) {
            p += lit.size();
            return true;
        }
        p = save;
        return false;
    }

    // The position just after the next occurrence of `lit` at or after `from`,
    // or null.
    const char16_t* After(const char16_t* from, std::u16string_view lit) const
    {
        const char16_t* q = from;
        while (true) {
            const size_t left = static_cast<size_t>(end - q);
            if (left < lit.size())
                return nullptr;
            q = std::char_traits<char16_t>::find(q, left - lit.size() + 1, lit[0]);
            if (!q)
                return nullptr;
            if (StartsWith(q, end, lit))
                return q + lit.size();
            ++q;
        }
    }

    bool ReadName(std::u16string& out)
    {
        SkipSpace();
        const char16_t* start = p;
        while (p < end && xmlchar::IsNameChar(*p))
            ++p;
        if (p == start)
            return false;
        out.assign(start, p);
        return true;
    }

    // Decodes [b, e) and appends it to `out`; false on a character reference
    // the reader refuses.
    static bool Decode(const char16_t* b, const char16_t* e, std::u16string& out)
    {
        bool started = false; // something kept from this run
        bool pendingSpace = false;
        for (const char16_t* q = b; q < e;) {
            char16_t c = *q;
            if (xmlchar::IsSpace(c)) {
                pendingSpace = started;
                ++q;
                continue;
            }
            if (pendingSpace) {
                out.push_back(u' ');
                pendingSpace = false;
            }
            started = true;
            if (c != u'&') {
                // Copy the run of plain characters in one go.
                const char16_t* r = q + 1;
                while (r < e && *r != u'&' && !xmlchar::IsSpace(*r))
                    ++r;
                out.append(q, r);
                q = r;
                continue;
            }
            const char16_t* r = q + 1;
            if (r < e && *r == u'#') {
                // A decimal reference: &# digits ; -- the number stands for a
                // code point. Anything else after &# (a hexadecimal form, a
                // missing semicolon, no digits) is refused, and so are 0 (it
                // would cut the text short wherever it is written back) and
                // numbers past the last code point.
                ++r;
                if (r >= e || *r < u'0' || *r > u'9')
                    return false;
                uint32_t v = 0;
                while (r < e && *r >= u'0' && *r <= u'9') {
                    if (v <= 0x10FFFF)
                        v = v * 10 + static_cast<uint32_t>(*r - u'0');
                    ++r;
                }
                if (r >= e || *r != u';' || v == 0 || v > 0x10FFFF)
                    return false;
                if (v > 0xFFFF) {
                    v -= 0x10000;
                    out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
                    out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
                } else {
                    out.push_back(static_cast<char16_t>(v));
                }
                q = r + 1;
                continue;
            }
            struct Entity {
                std::u16string_view name; // without '&'
                char16_t value;
            };
            static constexpr Entity kEntities[] = {
                {u"amp;", u'&'}, {u"lt;", u'<'},   {u"gt;", u'>'},
                {u"quot;", u'"'}, {u"apos;", u'\''}, {u"nbsp;", u' '},
            };
            bool matched = false;
            for (const Entity& ent : kEntities) {
                if (static_cast<size_t>(e - r) < ent.name.size())
                    continue;
                size_t i = 0;
                while (i < ent.name.size() && ToLower(r[i]) == ent.name[i])
                    ++i;
                if (i == ent.name.size()) {
                    out.push_back(ent.value);
                    q = r + ent.name.size();
                    matched = true;
                    break;
                }
            }
            if (!matched) {
                out.push_back(u'&');
                q = r;
            }
        }
        if (pendingSpace)
            out.push_back(u' ');
        return true;
    }

    // Parses one attribute "name = 'value'" into the element; a later
    // attribute whose name differs only in case replaces the earlier one.
    bool ParseAttribute(ZBXMLElement* e, std::u16string& name, std::u16string& value)
    {
        if (!ReadName(name))
            return false;
        if (!Match(u"="))
            return false;
        SkipSpace();
        if (p >= end || (*p != u'"' && *p != u'\''))
            return false;
        const char16_t quote = *p;
        const char16_t* b = p + 1;
        const char16_t* q = std::char_traits<char16_t>::find(b, static_cast<size_t>(end - b), quote);
        if (!q)
            return false;
        value.clear();
        if (!Decode(b, q, value))
            return false;
        p = q + 1;
        if (ZBXMLAttribute* old = e->FindAttribute(name)) {
            // Replace in place: same key, so the table slot and index stay.
            old->m_name.swap(name);
            old->m_value.swap(value);
            return true;
        }
        ZBXMLAttribute* a = e->AddAttribute(name);
        a->m_value.swap(value);
        return true;
    }

    // Parses "<name attributes" up to and including "/>" or ">". Sets
    // `empty` for the first.
    bool ParseStartTag(ZBXMLElement* e, bool& empty, std::u16string& scratchName, std::u16string& scratchValue)
    {
        if (!Match(u"<"))
            return false;
        if (!ReadName(e->m_name))
            return false;
        while (true) {
            if (Match(u">")) {
                empty = false;
                return true;
            }
            if (Match(u"/")) {
                empty = true;
                return Match(u">");
            }
            if (!ParseAttribute(e, scratchName, scratchValue))
                return false;
        }
    }

    bool AtEndTag(const ZBXMLElement* e) const
    {
        const std::u16string& name = e->m_name;
        return static_cast<size_t>(end - p) >= name.size() + 3 && p[0] == u'<' && p[1] == u'/' &&
               std::memcmp(p + 2, name.data(), name.size() * sizeof(char16_t)) == 0 &&
               p[2 + name.size()] == u'>';
    }

    // The root element and everything inside it; null on failure.
    std::unique_ptr<ZBXMLElement> ParseElement()
    {
        std::u16string scratchName, scratchValue;
        auto root = std::make_unique<ZBXMLElement>();
        bool empty = false;
        if (!ParseStartTag(root.get(), empty, scratchName, scratchValue))
            return nullptr;
        if (empty)
            return root;
        std::vector<ZBXMLElement*> open {root.get()};
        while (!open.empty()) {
            ZBXMLElement* cur = open.back();
            const char16_t* lt = std::char_traits<char16_t>::find(p, static_cast<size_t>(end - p), u'<');
            if (!lt)
                return nullptr;
            if (lt > p) {
                std::u16string& text = cur->m_value;
                if (!text.empty() && text.back() != u' ')
                    text.push_back(u' ');
                if (!Decode(p, lt, text))
                    return nullptr;
            }
            p = lt;
            if (AtEndTag(cur)) {
                p += cur->m_name.size() + 3;
                open.pop_back();
                continue;
            }
            if (StartsWith(p, end, u"<!--")) {
                const char16_t* after = After(p + 4, u"-->");
                if (!after)
                    return nullptr;
                p = after;
                continue;
            }
            if (open.size() >= ZBXMLElement::kMaxDepth)
                return nullptr;
            auto owned = std::make_unique<ZBXMLElement>(std::u16string_view(), cur);
            ZBXMLElement* child = owned.get();
            if (cur->m_children.empty())
                cur->m_children.reserve(10);
            cur->m_children.push_back(child);
            owned.release();
            if (!ParseStartTag(child, empty, scratchName, scratchValue))
                return nullptr;
            if (!empty)
                open.push_back(child);
        }
        return root;
    }

    std::unique_ptr<ZBXMLElement> ParseDocument()
    {
        if (Match(u"<?xml version=\"")) {
            const char16_t* after = After(p, u"?>");
            if (!after)
                return nullptr;
            p = after;
        }
        if (!SkipComments())
            return nullptr;
        if (Match(u"<!DOCTYPE")) {
            const char16_t* gt = std::char_traits<char16_t>::find(p, static_cast<size_t>(end - p), u'>');
            if (!gt)
                return nullptr;
            p = gt + 1;
            if (!SkipComments())
                return nullptr;
        }
        return ParseElement();
    }

    bool SkipComments()
    {
        while (Match(u"<!--")) {
            const char16_t* after = After(p, u"-->");
            if (!after)
                return false;
            p = after;
        }
        return true;
    }
};

std::unique_ptr<ZBXMLElement> ZBXMLElement::ParseText(std::u16string_view text)
{
    try {
        size_t n = text.find(u'\0');
        if (n != std::u16string_view::npos)
            text = text.substr(0, n);
        ZBXMLParser parser {text.data(), text.data() + text.size()};
        return parser.ParseDocument();
    } catch (...) {
        // Out of memory: whatever was built went with the unwinding root.
        return nullptr;
    }
}

std::unique_ptr<ZBXMLElement> ZBXMLElement::ParseText(const char16_t* text)
{
    if (!text)
        return nullptr;
    return ParseText(std::u16string_view(text));
}

} // namespace vel
