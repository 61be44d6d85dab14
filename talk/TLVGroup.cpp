#include "TLVGroup.h"

namespace vel {

const TLVGroup* FindItem(const TLVItems& items, uint16_t tag)
{
    for (const TLVGroup& item : items)
        if (item.tag == tag && item.value.vt != VT_EMPTY)
            return &item;
    return nullptr;
}

std::string ItemText(const TLVItems& items, uint16_t tag)
{
    const TLVGroup* item = FindItem(items, tag);
    return item && item->value.IsBytes() ? item->value.bytes : std::string();
}

} // namespace vel
