#pragma once
// Result codes of the library's exported functions and the texts shown for
// them. A code without text shows nothing.

#include <cstdint>

namespace vel::evd {

enum : int32_t
{
    kEvdOk = 0,
    kEvdBadKind = 1, // also: path lies in no known library area
    kEvdDbOpenFailed = 1001,
    kEvdSkinLoadFailed = 1002,
    kEvdLibPathFailed = 1003,
    kEvdCancelled = 1004,
    kEvdSourceMissing = 2001,
    kEvdNodeMissing = 2002,
    kEvdBadArgument = 2003,
    kEvdPathMismatch = 2004,
    kEvdNameExists = 2005,
};

// The message text of a code ("" when it has none).
const char16_t* ResultText(int32_t code);

} // namespace vel::evd
