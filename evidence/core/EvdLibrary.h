#pragma once
// The library's life cycle inside a host process.
//
//   uninitialised --Initialize() ok--> initialised --Teardown()--> uninitialised
//
// Initialize runs at the start of nearly every export under the machine-wide
// lock Global\VEL_EVD_API_PROCESSLOCK, so hosts of every process initialise
// one at a time; a failed store open leaves the library uninitialised and the
// next export tries again.

#include <cstdint>

namespace vel::evd {

// 0, or 1001 when a store could not be opened.
int32_t Initialize();
void Teardown();
bool IsInitialized();

} // namespace vel::evd
