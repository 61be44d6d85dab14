#pragma once
// Helpers shared by the XML reader tests: a structural dump of a tree (names,
// attributes in table order, text, children) that shows exactly what was
// read, independent of the writer.

#include "evidence/skin/ZBXMLElement.h"
#include "platform/base/Strings.h"

#include <string>

namespace vel::test {

inline void DumpTo(const ZBXMLElement* e, std::string& out)
{
    out += "(" + Utf16ToUtf8(e->GetName());
    for (const ZBXMLAttribute* a : e->GetAttributes())
        out += " " + Utf16ToUtf8(a->GetName()) + "=[" + Utf16ToUtf8(a->GetValue()) + "]";
    if (!e->GetText().empty())
        out += " {" + Utf16ToUtf8(e->GetText()) + "}";
    for (const ZBXMLElement* c : e->GetChildren())
        DumpTo(c, out);
    out += ")";
}

inline std::string Dump(const ZBXMLElement* e)
{
    if (!e)
        return "null";
    std::string out;
    DumpTo(e, out);
    return out;
}

inline std::string DumpText(std::u16string_view text) { return Dump(ZBXMLElement::ParseText(text).get()); }

} // namespace vel::test
