// Fuzz entry for the XML reader: any bytes through ParseBuffer (encoding
// detection, conversion, parse). A document that parses must write back to
// text that parses again, and after one round the text must be stable:
// the writer only ever emits what the reader reads back unchanged, apart
// from white space the reader folds on the first reading.

#include "evidence/skin/ZBXMLElement.h"

#include <cstdint>
#include <cstdlib>

using vel::ZBXMLElement;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<ZBXMLElement> root = ZBXMLElement::ParseBuffer(data, size);
    if (!root)
        return 0;
    const std::u16string once = root->ToString(false, false);
    std::unique_ptr<ZBXMLElement> again = ZBXMLElement::ParseText(once);
    if (!again)
        abort(); // the writer produced text the reader refuses
    const std::u16string twice = again->ToString(false, false);
    std::unique_ptr<ZBXMLElement> third = ZBXMLElement::ParseText(twice);
    if (!third || third->ToString(false, false) != twice)
        abort(); // not stable after one round
    // The indented form with declaration, as SaveFile writes it, reads too.
    if (!ZBXMLElement::ParseText(root->ToString(true, true)))
        abort();
    return 0;
}
