// Fuzzes the 8-bit markup class: parse any bytes, check the index against the
// text, walk every element and read its name, data and an attribute, then
// build into the parsed document and check the index again.

#include "talk/markup/XmlMarkup.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Check(const vel::XmlMarkup& m, const char* when)
{
    std::string problem = m.CheckIndex();
    if (!problem.empty()) {
        std::fprintf(stderr, "index broken %s: %s\n", when, problem.c_str());
        std::abort();
    }
}

// Visits every element depth first without recursion (documents nest deeply).
void Walk(vel::XmlMarkup& m)
{
    m.ResetPos();
    size_t visited = 0;
    int depth = 0;
    for (;;) {
        if (m.FindNext()) {
            (void)m.ElementName();
            (void)m.ElementData();
            (void)m.AttributeValue("a");
            if (++visited > 200000)
                return;
            if (m.Descend()) {
                ++depth;
                continue;
            }
        }
        if (depth == 0 || !m.Ascend())
            return;
        --depth;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    vel::XmlMarkup m;
    if (size && (data[0] & 1))
        m.SetDocFlags(vel::XmlMarkup::kMatchNoCase);
    m.LoadText(text);
    if (m.DocumentText() != text)
        std::abort();
    Check(m, "after parse");
    Walk(m);

    // Build into whatever was parsed: the first element, then its children.
    m.ResetPos();
    if (m.FindNext()) {
        m.AppendAttribute("n", "v\"<&");
        m.AppendChild("c", text.substr(0, 16));
        Check(m, "after AppendChild");
        if (m.FindChild()) {
            m.ReplaceChildData("x<y");
            Check(m, "after ReplaceChildData");
        }
        if (m.Descend()) {
            m.AppendElement("e", 42);
            Check(m, "after AppendElement");
            m.Ascend();
        }
        m.ReplaceData(text.substr(size / 2));
        Check(m, "after ReplaceData");
    } else {
        m.AppendElement("root", "r");
        Check(m, "after AppendElement at the top");
    }
    (void)vel::XmlMarkup::UnescapeText(text);
    std::string esc = vel::XmlMarkup::EscapeText(text, vel::XmlMarkup::kEscapeAttribute);
    if (vel::XmlMarkup::UnescapeText(esc) != text)
        std::abort();
    return 0;
}
