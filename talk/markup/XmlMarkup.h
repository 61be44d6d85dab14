#pragma once
// XmlMarkup: small XML documents kept as one text string plus an index of
// element positions, instead of a node tree. Reading navigates the index
// (FindNext / FindChild / Descend / Ascend); building splices new text into
// the string and shifts the index, so the document text is always exactly
// what gets sent or saved.
//
// The class is one source compiled for two character types:
//   XmlMarkup   8-bit text of the ANSI code page, stepping over multibyte
//               characters so that a trail byte (GBK trail bytes include
//               '\\', '[' and ']') is never taken for a delimiter;
//   XmlMarkupW  UTF-16 text.
// The 8-bit build lives in the vel_markup8 library, the UTF-16 one in
// vel_markup16; both behave the same.
//
// Parsing never fails outright: problems are joined into ErrorText() and the
// document is flagged as not well formed, but what could be indexed can still
// be navigated. Navigation functions return false and leave the position
// unchanged when nothing is found. Nothing here throws; running out of
// memory gives a failure result.
//
// Position model: `pos` is the current element, `posParent` its parent (0 =
// the document itself), `posChild` the current child of `pos`.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vel {

template <class Ch>
class XmlMarkupT {
public:
    using String = std::basic_string<Ch>;
    using StringView = std::basic_string_view<Ch>;

    // docFlags bits.
    static constexpr int kMatchNoCase = 0x100; // element names match without regard to case

    // EscapeText options.
    static constexpr int kEscapeAttribute = 1;      // also ' and " (attribute values)
    static constexpr int kEscapeKeepReferences = 2; // copy "&name;" / "&#n;" unchanged

    // Node types of the tokenizer.
    enum NodeType : int {
        kNodeEndTag = 0,
        kNodeElement = 1,
        kNodeWhitespace = 2,
        kNodeText = 4,
        kNodeCData = 8,
        kNodeProcessingInstruction = 16,
        kNodeComment = 32,
        kNodeDocType = 64,
        kNodeError = -1,
        kNodeEndOfDocument = -2,
    };

    XmlMarkupT();
    explicit XmlMarkupT(StringView text);

    // Replaces the document with `text` (null or empty empties it) and parses
    // it. Returns whether the document is well formed.
    bool LoadText(StringView text);
    bool LoadText(const Ch* text);
    const String& DocumentText() const { return m_doc; }
    const String& ErrorText() const { return m_error; }
    bool IsWellFormed() const;

    int DocFlags() const { return m_docFlags; }
    // Takes effect for matching at once and for parsing at the next LoadText.
    void SetDocFlags(int flags) { m_docFlags = flags; }

    // Navigation. An empty name matches any element.
    bool FindNext(StringView name = {}, bool restart = false);
    bool FindChild(StringView name = {}, bool restart = false);
    bool Descend();
    bool Ascend();
    void ResetPos();
    void ResetChildPos() { m_posChild = 0; }

    // The current element (empty strings when there is none).
    String ElementName() const;
    String ElementData() const;
    String AttributeValue(StringView name) const;
    // The current child element of the current element.
    String ChildName() const;
    String ChildData() const;

    // Building. Names must be plain XML names; data is escaped.
    bool AppendElement(StringView name, StringView data = {});
    bool AppendElement(StringView name, long long number);
    bool AppendChild(StringView name, StringView data = {});
    bool AppendAttribute(StringView name, StringView value);
    bool ReplaceData(StringView data);
    bool ReplaceChildData(StringView data);

    static String EscapeText(StringView text, int options = 0);
    static String UnescapeText(StringView text);

    // Whole files, byte for byte in the 8-bit build (UTF-8 on disk in the
    // UTF-16 build, UTF-16LE also read when it starts with its byte order
    // mark). The path is a Windows path in the build's text (relative to the
    // current directory unless rooted). ReadTextFile loads and parses what it
    // read; it returns whether the file could be read, and `report` gets
    // "<n> bytes" or the system's error text.
    bool ReadTextFile(StringView path, String* report = nullptr);
    bool WriteTextFile(StringView path, String* report = nullptr) const;

    // Element position record (exposed for tests of the index and for
    // invariant checks; not needed by users of the class).
    struct ElemPos {
        int32_t start = 0;       // offset of '<' in the document
        int32_t length = 0;      // start tag to end of end tag
        int32_t startTagLen = 0; // full width: long attribute lists fit
        int32_t endTagLen = 0;
        uint32_t flags = 0;
        int32_t parent = 0;
        int32_t child = 0; // first child
        int32_t next = 0;
        int32_t prev = 0; // of a first child: the last sibling
    };
    static constexpr uint32_t kFlagEmptyElement = 0x10000;
    static constexpr uint32_t kFlagEndTagMissing = 0x100000;
    static constexpr uint32_t kFlagIllFormed = 0x200000;
    static constexpr uint32_t kFlagNotWellFormed = 0x800000; // on record 0
    static constexpr uint32_t kFlagFree = 0x40000000;        // record on the free list

    const ElemPos* Record(int32_t i) const;
    int32_t CurrentPos() const { return m_pos; }
    int32_t CurrentParent() const { return m_posParent; }
    int32_t CurrentChild() const { return m_posChild; }
    // Checks the index against the text: every live record's tags are where
    // it says, links are consistent, children lie inside their parent.
    // Returns an empty string when all is well, else what is wrong.
    std::string CheckIndex() const;

private:
    struct Token;
    static constexpr int32_t kBlockBits = 16;
    static constexpr int32_t kBlockSize = 1 << kBlockBits;

    ElemPos& Rec(int32_t i);
    const ElemPos& Rec(int32_t i) const;
    int32_t NewRecord();
    void FreeSubtree(int32_t first);
    void ClearIndex(size_t expected);
    void LinkAfter(int32_t parent, int32_t after, int32_t r);
    void LinkLast(int32_t parent, int32_t r);
    int32_t LastChild(int32_t parent) const;

    bool Parse();
    Token NextToken(size_t p) const;
    void AddError(const String& text);
    void CloseMissingAbove(std::vector<int32_t>& stack, size_t keep);

    StringView NameAt(size_t tagStart) const; // name after '<' (or "</")
    StringView ElementNameOf(int32_t r) const;
    bool NameMatches(StringView elementName, StringView name) const;
    String NameKey(StringView name) const;
    int32_t FindSibling(int32_t parent, int32_t from, StringView name, bool restart) const;
    String DataOf(int32_t r) const;
    String AttributeOf(int32_t r, StringView name) const;

    bool Splice(size_t offset, size_t removeLen, const String& text, int32_t container);
    bool InsertElement(int32_t parent, int32_t after, StringView name, StringView data, int32_t& made);
    bool ReplaceDataOf(int32_t r, StringView data);
    static bool IsValidName(StringView name);

    String m_doc;
    String m_error;
    std::vector<std::vector<ElemPos>> m_blocks;
    int32_t m_used = 0; // records handed out so far, record 0 included
    std::vector<int32_t> m_freeList;
    int32_t m_posParent = 0;
    int32_t m_pos = 0;
    int32_t m_posChild = 0;
    int m_docFlags = 0;
};

using XmlMarkup = XmlMarkupT<char>;
using XmlMarkupW = XmlMarkupT<char16_t>;

extern template class XmlMarkupT<char>;
extern template class XmlMarkupT<char16_t>;

} // namespace vel
