// Fuzzes the markup class (the 8-bit build, or the UTF-16 build when
// VEL_FUZZ_WIDE is defined, taking the input bytes as UTF-16 units): parse any bytes, check the index against the
// text, walk every element and read its name, data and an attribute, then
// build into the parsed document and check the index again.

#include "talk/markup/XmlMarkup.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef VEL_FUZZ_WIDE
using Markup = vel::XmlMarkupW;
#define L(s) u##s
#else
using Markup = vel::XmlMarkup;
#define L(s) s
#endif
using Text = Markup::String;

namespace {

void Check(const Markup& m, const char* when)
{
    std::string problem = m.CheckIndex();
    if (!problem.empty()) {
        std::fprintf(stderr, "index broken %s: %s\n", when, problem.c_str());
        std::abort();
    }
}

// Visits every element depth first without recursion (documents nest deeply).
void Walk(Markup& m)
{
    m.ResetPos();
    size_t visited = 0;
    int depth = 0;
    for (;;) {
        if (m.FindNext()) {
            (void)m.ElementName();
            (void)m.ElementData();
            (void)m.AttributeValue(L("a"));
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
#ifdef VEL_FUZZ_WIDE
    Text text;
    for (size_t i = 0; i + 1 < size; i += 2)
        text.push_back(char16_t(data[i] | (data[i + 1] << 8)));
#else
    Text text(reinterpret_cast<const char*>(data), size);
#endif
    Markup m;
    if (size && (data[0] & 1))
        m.SetDocFlags(Markup::kMatchNoCase);
    m.LoadText(text);
    if (m.DocumentText() != text)
        std::abort();
    Check(m, "after parse");
    Walk(m);

    // Build into whatever was parsed: the first element, then its children.
    m.ResetPos();
    if (m.FindNext()) {
        m.AppendAttribute(L("n"), L("v\"<&"));
        m.AppendChild(L("c"), text.substr(0, 16));
        Check(m, "after AppendChild");
        if (m.FindChild()) {
            m.ReplaceChildData(L("x<y"));
            Check(m, "after ReplaceChildData");
        }
        if (m.Descend()) {
            m.AppendElement(L("e"), 42);
            Check(m, "after AppendElement");
            m.Ascend();
        }
        m.ReplaceData(text.substr(text.size() / 2));
        Check(m, "after ReplaceData");
    } else {
        m.AppendElement(L("root"), L("r"));
        Check(m, "after AppendElement at the top");
    }
    (void)Markup::UnescapeText(text);
    Text esc = Markup::EscapeText(text, Markup::kEscapeAttribute);
    if (Markup::UnescapeText(esc) != text)
        std::abort();
    return 0;
}
