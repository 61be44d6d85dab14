// The element tree: ownership, lookups, attributes and the writer.

#include "ZBXMLElement.h"

#include "platform/base/Strings.h"

#include <new>

namespace vel {

namespace {

// Up to this many attributes an element is searched linearly; beyond it a
// hash index keeps hostile documents with huge attribute lists linear.
constexpr size_t kLinearAttributes = 8;
// Child and attribute lists grow in blocks of this many entries at first,
// which covers most elements in one allocation.
constexpr size_t kListBlock = 10;

bool EqualsLower(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && ToLower(a[i]) != ToLower(b[i]))
            return false;
    return true;
}

} // namespace

void ZBXMLNode::SetValue(std::u16string_view value) { m_value.assign(value); }

void ZBXMLElement::SetText(std::u16string_view text) { m_value.assign(text); }

ZBXMLElement::ZBXMLElement(std::u16string_view name, ZBXMLElement* parent) : ZBXMLNode(kElement, parent)
{
    m_name.assign(name);
}

ZBXMLElement::~ZBXMLElement()
{
    for (ZBXMLAttribute* a : m_attributes)
        delete a;
    // Free the subtree without recursion and without allocating (a
    // destructor must not fail): walk down to a last leaf, free it, and
    // climb back through the parent links, which every child holds.
    ZBXMLElement* e = this;
    while (true) {
        if (!e->m_children.empty()) {
            e = e->m_children.back();
            continue;
        }
        if (e == this)
            break;
        ZBXMLElement* parent = e->m_parent;
        parent->m_children.pop_back();
        delete e; // childless now, so its own destructor does not descend
        e = parent;
    }
}

ZBXMLElement* ZBXMLElement::FindChild(std::u16string_view name) const
{
    for (ZBXMLElement* c : m_children)
        if (EqualsLower(c->m_name, name))
            return c;
    return nullptr;
}

ZBXMLElement* ZBXMLElement::AddChild(std::u16string_view name)
{
    try {
        auto child = std::make_unique<ZBXMLElement>(name, this);
        if (m_children.empty())
            m_children.reserve(kListBlock);
        m_children.push_back(child.get());
        return child.release();
    } catch (...) {
        return nullptr;
    }
}

ZBXMLElement* ZBXMLElement::GetOrAddChild(std::u16string_view name)
{
    if (ZBXMLElement* c = FindChild(name))
        return c;
    return AddChild(name);
}

ZBXMLAttribute* ZBXMLElement::FindAttribute(std::u16string_view name) const
{
    if (m_index) {
        try {
            auto it = m_index->find(ToLower(name));
            return it == m_index->end() ? nullptr : m_attributes[it->second];
        } catch (...) {
            // Out of memory for the key: fall back to the linear search.
        }
    }
    for (ZBXMLAttribute* a : m_attributes)
        if (EqualsLower(a->m_name, name))
            return a;
    return nullptr;
}

void ZBXMLElement::BuildIndex()
{
    // Only a speed-up: when memory for it runs out, lookups stay linear.
    try {
        auto index = std::make_unique<std::unordered_map<std::u16string, size_t>>();
        index->reserve(m_attributes.size() * 2);
        for (size_t i = 0; i < m_attributes.size(); ++i)
            index->emplace(ToLower(m_attributes[i]->m_name), i);
        m_index = std::move(index);
    } catch (...) {
    }
}

// Appends a new attribute; on out of memory it throws and leaves the
// element as it was.
ZBXMLAttribute* ZBXMLElement::AddAttribute(std::u16string_view name)
{
    auto attr = std::make_unique<ZBXMLAttribute>(this, name);
    std::u16string key;
    if (m_index) {
        key = ToLower(name);
        m_index->emplace(key, m_attributes.size());
    }
    try {
        if (m_attributes.empty())
            m_attributes.reserve(kListBlock);
        m_attributes.push_back(attr.get());
    } catch (...) {
        if (m_index)
            m_index->erase(key);
        throw;
    }
    if (!m_index && m_attributes.size() > kLinearAttributes)
        BuildIndex();
    return attr.release();
}

ZBXMLAttribute* ZBXMLElement::GetAttribute(std::u16string_view name) const { return FindAttribute(name); }

std::u16string ZBXMLElement::GetAttributeValue(std::u16string_view name) const
{
    const ZBXMLAttribute* a = FindAttribute(name);
    return a ? a->m_value : std::u16string();
}

ZBXMLAttribute* ZBXMLElement::SetAttribute(std::u16string_view name, const char16_t* value)
{
    try {
        ZBXMLAttribute* a = FindAttribute(name);
        if (!a)
            a = AddAttribute(name);
        if (value)
            a->m_value.assign(value);
        return a;
    } catch (...) {
        return nullptr;
    }
}

ZBXMLAttribute* ZBXMLElement::SetAttribute(std::u16string_view name, std::u16string_view value)
{
    try {
        ZBXMLAttribute* a = FindAttribute(name);
        if (!a)
            a = AddAttribute(name);
        a->m_value.assign(value);
        return a;
    } catch (...) {
        return nullptr;
    }
}

// --- Writer -------------------------------------------------------------------

namespace {

void AppendEscaped(std::u16string& out, std::u16string_view s)
{
    for (char16_t c : s) {
        switch (c) {
        case u'"': out += u"&quot;"; break;
        case u'&': out += u"&amp;"; break;
        case u'\'': out += u"&apos;"; break;
        case u'<': out += u"&lt;"; break;
        case u'>': out += u"&gt;"; break;
        default:
            if (c >= 128) {
                char16_t buf[8];
                size_t n = 0;
                for (unsigned v = c; v; v /= 10)
                    buf[n++] = static_cast<char16_t>(u'0' + v % 10);
                out += u"&#";
                while (n)
                    out.push_back(buf[--n]);
                out.push_back(u';');
            } else {
                out.push_back(c);
            }
        }
    }
}

void AppendBreak(std::u16string& out, size_t depth)
{
    out += u"\r\n";
    out.append(depth, u'\t');
}

bool HasContent(const ZBXMLElement* e) { return !e->GetChildren().empty() || !e->GetText().empty(); }

void WriteStartTag(std::u16string& out, const ZBXMLElement* e, size_t depth, bool indent)
{
    if (indent && depth > 0)
        AppendBreak(out, depth);
    out.push_back(u'<');
    out += e->GetName();
    for (const ZBXMLAttribute* a : e->GetAttributes()) {
        out.push_back(u' ');
        out += a->GetName();
        out += u"=\"";
        AppendEscaped(out, a->GetValue());
        out.push_back(u'"');
    }
    out += HasContent(e) ? u">" : u"/>";
}

void WriteEndTag(std::u16string& out, const ZBXMLElement* e, size_t depth, bool indent)
{
    AppendEscaped(out, e->GetText());
    if (indent && !e->GetChildren().empty())
        AppendBreak(out, depth);
    out += u"</";
    out += e->GetName();
    out.push_back(u'>');
}

} // namespace

std::u16string ZBXMLElement::ToString(bool indent, bool declaration) const
{
    try {
        std::u16string out;
        if (declaration)
            out += u"<?xml version=\"1.0\"?>";
        if (indent)
            out += u"\r\n";
        // Depth-first without recursion: each frame is an open element and
        // the index of its next child to write.
        struct Frame {
            const ZBXMLElement* e;
            size_t next;
        };
        std::vector<Frame> stack;
        WriteStartTag(out, this, 0, indent);
        if (HasContent(this))
            stack.push_back({this, 0});
        while (!stack.empty()) {
            Frame& top = stack.back();
            const size_t depth = stack.size() - 1;
            if (top.next < top.e->m_children.size()) {
                const ZBXMLElement* child = top.e->m_children[top.next++];
                WriteStartTag(out, child, depth + 1, indent);
                if (HasContent(child))
                    stack.push_back({child, 0}); // `top` is not used after this
                continue;
            }
            WriteEndTag(out, top.e, depth, indent);
            stack.pop_back();
        }
        return out;
    } catch (...) {
        return {};
    }
}

} // namespace vel
