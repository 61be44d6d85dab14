#pragma once
// The XML document model of the library: a forgiving, non-validating reader
// and a writer for the subset of XML that the skin file, the case description
// files and the sync documents use (one root element, elements, attributes,
// character data with the predefined entities, &nbsp; and decimal character
// references, comments, an optional declaration and document type line).
//
// Three node classes share one base; each has a virtual destructor and
// nothing else virtual, so any node can be freed through a ZBXMLNode pointer.
//
// Invariants:
//   - An element owns its child elements (document order) and its
//     attributes; destroying it destroys the whole subtree (iteratively, so a
//     tree of any depth can be freed). Each child's parent link names the
//     element that owns it.
//   - Attribute names are unique per element without regard to case: the
//     table is keyed by the lower-case name, the attribute keeps the name as
//     written. In a parsed document a later attribute replaces an earlier
//     one whose name differs only in case (name and value); SetAttribute
//     gives an existing attribute the new value and keeps its name. Table order (used when enumerating and
//     writing) is the order in which names first entered the table.
//   - Element names are kept as written. Child lookups ignore case; matching
//     an end tag while parsing does not.
//   - Comments, the declaration and the document type line are not kept.
//     Character data of an element is one string, its pieces joined by
//     single spaces, never separate text nodes.
//
// Every parse entry returns the root element, owned by the caller, or null
// on any failure (bad syntax, unknown markup such as CDATA, a document nested
// deeper than kMaxDepth, out of memory); nothing throws out of this module.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vel {

class ZBXMLElement;

class ZBXMLNode {
public:
    enum Kind : int { kPlain = 0, kElement = 1, kAttribute = 2 };

    explicit ZBXMLNode(int kind = kPlain, ZBXMLElement* parent = nullptr) : m_kind(kind), m_parent(parent) {}
    virtual ~ZBXMLNode() = default;
    ZBXMLNode(const ZBXMLNode&) = delete;
    ZBXMLNode& operator=(const ZBXMLNode&) = delete;

    int GetKind() const { return m_kind; }
    ZBXMLElement* GetParent() const { return m_parent; }
    const std::u16string& GetName() const { return m_name; }
    // For an element its character data, for an attribute its value.
    const std::u16string& GetValue() const { return m_value; }
    void SetValue(std::u16string_view value);

protected:
    friend class ZBXMLElement;
    friend struct ZBXMLParser;

    int m_kind;
    ZBXMLElement* m_parent;
    std::u16string m_name;
    std::u16string m_value;
};

class ZBXMLAttribute : public ZBXMLNode {
public:
    ZBXMLAttribute(ZBXMLElement* parent, std::u16string_view name, std::u16string_view value = {})
        : ZBXMLNode(kAttribute, parent)
    {
        m_name.assign(name);
        m_value.assign(value);
    }
    ~ZBXMLAttribute() override = default;
};

class ZBXMLElement : public ZBXMLNode {
public:
    // Deepest element nesting a parse accepts (the root is depth 1). The
    // files this reader serves nest a handful of levels; the bound keeps
    // whatever walks a parsed tree recursively safe from hostile input.
    static constexpr size_t kMaxDepth = 256;
    // Largest file LoadFile reads (4 MiB); a larger one is refused unread.
    static constexpr uint64_t kMaxFileSize = 4u * 1024u * 1024u;

    explicit ZBXMLElement(std::u16string_view name = {}, ZBXMLElement* parent = nullptr);
    ~ZBXMLElement() override;

    // --- Documents -------------------------------------------------------
    // A NUL-terminated UTF-16 text (a null pointer fails). The view form
    // ends at the view's end or at its first NUL, whichever comes first.
    static std::unique_ptr<ZBXMLElement> ParseText(const char16_t* text);
    static std::unique_ptr<ZBXMLElement> ParseText(std::u16string_view text);
    // A byte buffer of detected encoding: UTF-16 with either byte-order
    // mark, UTF-8 with a mark, UTF-16 little endian without a mark when the
    // Unicode-text test says so (TextEncoding.h), else the ANSI code page.
    // The buffer is only read, never past `size`.
    static std::unique_ptr<ZBXMLElement> ParseBuffer(const void* bytes, size_t size);
    // A whole open file, given as a POSIX file descriptor (the handle of the
    // host); at most kMaxFileSize bytes, read from its start. The descriptor
    // stays open.
    static std::unique_ptr<ZBXMLElement> LoadFile(int fd);
    // A Windows path (platform/fs), which must name an existing file.
    static std::unique_ptr<ZBXMLElement> LoadFile(std::u16string_view path);
    // The resource of type "xml" with this id in a module (platform/res; a
    // null module is the main program).
    static std::unique_ptr<ZBXMLElement> LoadResource(const void* module, uint32_t id);

    // --- Element operations ----------------------------------------------
    const std::u16string& GetText() const { return m_value; }
    void SetText(std::u16string_view text);

    // First child, in document order, whose name equals `name` ignoring case.
    ZBXMLElement* FindChild(std::u16string_view name) const;
    // A new last child named `name`; null only when memory runs out.
    ZBXMLElement* AddChild(std::u16string_view name);
    ZBXMLElement* GetOrAddChild(std::u16string_view name);

    ZBXMLAttribute* GetAttribute(std::u16string_view name) const;
    // The value, or "" when there is no such attribute (callers treat a
    // missing attribute and an empty one alike).
    std::u16string GetAttributeValue(std::u16string_view name) const;
    // Finds the attribute by name without regard to case, creating it under
    // `name` as written when absent; assigns `value` when one is given (a
    // null pointer leaves the value as it is). Null only on out of memory.
    ZBXMLAttribute* SetAttribute(std::u16string_view name, const char16_t* value = nullptr);
    ZBXMLAttribute* SetAttribute(std::u16string_view name, std::u16string_view value);

    // Children in document order; attributes in table order.
    const std::vector<ZBXMLElement*>& GetChildren() const { return m_children; }
    const std::vector<ZBXMLAttribute*>& GetAttributes() const { return m_attributes; }

    // --- Writing ---------------------------------------------------------
    // This element and its subtree as text: with `indent`, every element on
    // its own line (CR LF and one tab per level); with `declaration`, an
    // XML declaration first. Non-ASCII text is written as decimal character
    // references, so the text is pure ASCII. Empty when memory runs out.
    std::u16string ToString(bool indent, bool declaration) const;
    // ToString(true, true) written to the path as UTF-16 little endian
    // without a byte-order mark, replacing the file's whole content. False
    // on any failure (last error set); a read-only file is not written.
    bool SaveFile(std::u16string_view path) const;

private:
    friend struct ZBXMLParser;

    ZBXMLAttribute* FindAttribute(std::u16string_view name) const;
    ZBXMLAttribute* AddAttribute(std::u16string_view name);
    void BuildIndex();

    std::vector<ZBXMLElement*> m_children;     // owned
    std::vector<ZBXMLAttribute*> m_attributes; // owned, table order
    // Lower-case name -> index in m_attributes; built only once an element
    // has more attributes than a linear search handles well.
    std::unique_ptr<std::unordered_map<std::u16string, size_t>> m_index;
};

} // namespace vel
