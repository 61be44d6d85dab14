#include "StatusTable.h"

namespace vel {

const TalkStatus& StatusByIndex(uint16_t index)
{
    return index < kTalkStatusCount ? kTalkStatusTable[index] : kUnknownNetStatus;
}

int IndexOfStatus(uint16_t value)
{
    for (size_t i = 0; i < kTalkStatusCount; ++i)
        if (kTalkStatusTable[i].value == value)
            return int(i);
    return -1;
}

uint16_t NormalizeStatus(uint16_t value)
{
    return IndexOfStatus(value) >= 0 ? value : 400;
}

const char* StatusText(uint16_t value)
{
    int i = IndexOfStatus(NormalizeStatus(value));
    return kTalkStatusTable[i].text;
}

} // namespace vel
