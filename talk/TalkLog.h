#pragma once
// The library's diagnostic lines. Each text is formatted into at most 1,023
// characters and written as "[SQUADVOICE] <text>" to the debug-output sink:
// standard error when VEL_DEBUG_OUTPUT is set in the environment, otherwise
// nowhere. Nothing is written to files. Formatting is skipped entirely when
// no sink listens, so hot paths may log freely.

#include <functional>
#include <string>

namespace vel {

[[gnu::format(printf, 1, 2)]] void TalkLog(const char* fmt, ...);

// printf into a string of any length (for the XML texts the host gets).
[[gnu::format(printf, 1, 2)]] std::string TalkFormat(const char* fmt, ...);

// A second sink that gets every line (with its prefix) as well; tests use it
// to see what the library reported. Pass an empty function to remove it.
void SetTalkLogHook(std::function<void(const std::string& line)> hook);

} // namespace vel
