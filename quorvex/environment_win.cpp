#include <windows.h>

#include <vector>

#include "environment.h"

namespace qvx {

std::string EnvironmentValue(const char* name) {
    std::wstring wide;
    for (const char* p = name; *p != '\0'; ++p) wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    std::vector<wchar_t> buffer(32768);
    const DWORD n = GetEnvironmentVariableW(wide.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size()) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, buffer.data(), static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, buffer.data(), static_cast<int>(n), out.data(), bytes, nullptr, nullptr);
    return out;
}

}  // namespace qvx
