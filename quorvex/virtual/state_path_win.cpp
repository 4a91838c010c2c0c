#include <windows.h>

#include <cstdlib>

#include "virtual/state_store.h"

namespace qvx {
namespace {

std::wstring Env(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
    return (n > 0 && n < 32768) ? std::wstring(buffer, n) : std::wstring();
}

}  // namespace

std::filesystem::path StatePath() {
    const std::wstring explicitPath = Env(L"KELVANE_VK_STATE");
    if (!explicitPath.empty()) return explicitPath;
    std::wstring base = Env(L"LOCALAPPDATA");
    if (base.empty()) base = Env(L"APPDATA");
    if (base.empty()) base = L".";
    return std::filesystem::path(base) / L"Kelvane" / L"virtual-keyboard.state";
}

}  // namespace qvx
