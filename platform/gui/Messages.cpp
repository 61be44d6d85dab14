#include "Messages.h"

#include <cstdio>

namespace vel::gui {

const char* MessageName(uint32_t message, char (&buffer)[32])
{
    switch (message) {
#define VEL_GUI_MESSAGE_CASE(name, value)                                                                    \
    case value:                                                                                              \
        return #name;
        VEL_GUI_MESSAGES(VEL_GUI_MESSAGE_CASE)
#undef VEL_GUI_MESSAGE_CASE
    default:
        break;
    }
    if (message > kWmUser && message < kWmApp)
        std::snprintf(buffer, sizeof buffer, "WM_USER+%u", message - kWmUser);
    else
        std::snprintf(buffer, sizeof buffer, "0x%04X", message);
    return buffer;
}

} // namespace vel::gui
