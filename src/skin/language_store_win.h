// The Windows language store: "dwLanguageId" in the registry, the system's default language, the folder
// of the program file (GetModuleFileNameW) and the private-profile functions for the language files.
// Stateless between calls, so one store serves every thread.
#pragma once

#include <windows.h>

#include <string>

#include "skin/language_store.h"

namespace kv {

inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\Halvorn";

class RegistryLanguageStore : public LanguageStore {
public:
    // The value lives under root\subKey (HKEY_CURRENT_USER "Software\Halvorn" for the program).
    explicit RegistryLanguageStore(HKEY root = HKEY_CURRENT_USER, std::wstring subKey = kSettingsKeyPath);

    std::optional<uint32_t> ReadStoredLanguageId() override;
    void WriteStoredLanguageId(uint32_t id) override;
    uint32_t SystemLanguageId() override;
    std::filesystem::path ProgramDirectory() override;
    std::optional<std::wstring> ReadIniValue(const std::filesystem::path& file, std::string_view section,
                                             std::string_view key) override;

private:
    HKEY root_;
    std::wstring subKey_;
};

}  // namespace kv
