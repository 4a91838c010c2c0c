#include "app/command_line.h"

namespace kv {
namespace {
wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }
}  // namespace

bool EqualsIgnoringCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

StartSwitches ParseStartSwitches(const std::vector<std::wstring>& args) {
    StartSwitches s;
    for (const auto& a : args) {
        if (EqualsIgnoringCase(a, L"/Kill")) s.kill = true;
        else if (EqualsIgnoringCase(a, L"/Start")) s.start = true;
    }
    return s;
}

}  // namespace kv
