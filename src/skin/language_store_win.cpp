#include "skin/language_store_win.h"

#include <cwchar>
#include <utility>
#include <vector>

#include "skin/language.h"

namespace kv {
namespace {

// GetPrivateProfileStringW gives its default for a missing file or key; this one cannot be a real value
// (control characters around it), so it tells "missing" apart from an empty value.
constexpr wchar_t kMissingSentinel[] = L"\x01kv-missing\x01";

std::wstring Widen(std::string_view ascii) {
    std::wstring out;
    out.reserve(ascii.size());
    for (char c : ascii) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return out;
}

std::wstring ValueName() { return Widen(kLanguageIdValueName); }

}  // namespace

RegistryLanguageStore::RegistryLanguageStore(HKEY root, std::wstring subKey)
    : root_(root), subKey_(std::move(subKey)) {}

std::optional<uint32_t> RegistryLanguageStore::ReadStoredLanguageId() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, subKey_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG status =
        RegQueryValueExW(key, ValueName().c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return std::nullopt;
    return static_cast<uint32_t>(value);
}

void RegistryLanguageStore::WriteStoredLanguageId(uint32_t id) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root_, subKey_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    const DWORD value = id;
    RegSetValueExW(key, ValueName().c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

uint32_t RegistryLanguageStore::SystemLanguageId() { return GetSystemDefaultLangID(); }

std::filesystem::path RegistryLanguageStore::ProgramDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::filesystem::path(std::wstring(buffer.data(), length)).parent_path();
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::optional<std::wstring> RegistryLanguageStore::ReadIniValue(const std::filesystem::path& file,
                                                                std::string_view section, std::string_view key) {
    wchar_t buffer[kLanguageTextCapacity] = {};
    GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), kMissingSentinel, buffer,
                             static_cast<DWORD>(kLanguageTextCapacity), file.c_str());
    if (std::wcscmp(buffer, kMissingSentinel) == 0) return std::nullopt;
    return std::wstring(buffer);
}

LanguageStore& PlatformLanguageStore() {
    static RegistryLanguageStore store;
    return store;
}

}  // namespace kv
