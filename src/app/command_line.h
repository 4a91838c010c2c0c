// The program's command-line switches. Every argument after the program name is compared, without regard
// to case, with "/Kill" and "/Start"; anything else is ignored.
#pragma once

#include <string>
#include <vector>

namespace kv {

struct StartSwitches {
    bool kill = false;   // "/Kill": ask a running instance to exit, then exit
    bool start = false;  // "/Start": a logon start; the first attach does not open the window
};

// args: the arguments after the program name.
[[nodiscard]] StartSwitches ParseStartSwitches(const std::vector<std::wstring>& args);

// Case-insensitive comparison of ASCII letters; other characters must match exactly.
[[nodiscard]] bool EqualsIgnoringCase(const std::wstring& a, const std::wstring& b);

}  // namespace kv
