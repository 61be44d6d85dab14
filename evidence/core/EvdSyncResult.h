#pragma once
// Texts of the result codes that the platform, the NAS shares, the player
// and the suite's tools report, as the library's windows show them. A code
// not listed reads "未知错误".

#include <cstdint>

namespace vel::evd {

const char16_t* SyncResultText(int32_t code);

} // namespace vel::evd
