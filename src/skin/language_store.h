// What the language tables need from the platform: the stored language id ("dwLanguageId" under the
// per-user settings key), the system's default language, the program's folder and values of INI files.
// The choice of the language and the lookup rules are portable and work on any store; Windows keeps the id
// in the registry and reads files with the private-profile functions, the native build keeps the id in
// memory and reads files with the portable INI reader.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

class LanguageStore {
public:
    virtual ~LanguageStore() = default;
    // The stored language id, or nothing when the value is missing or not a 32-bit number (DWORD).
    [[nodiscard]] virtual std::optional<uint32_t> ReadStoredLanguageId() = 0;
    virtual void WriteStoredLanguageId(uint32_t id) = 0;
    // The system's default language id.
    [[nodiscard]] virtual uint32_t SystemLanguageId() = 0;
    // The folder of the program file, whatever the current directory.
    [[nodiscard]] virtual std::filesystem::path ProgramDirectory() = 0;
    // The value of key in section of the INI file, surrounding blanks removed, at most 259 characters;
    // nothing when the file, the section or the key is missing. An empty value is an empty string.
    [[nodiscard]] virtual std::optional<std::wstring> ReadIniValue(const std::filesystem::path& file,
                                                                   std::string_view section,
                                                                   std::string_view key) = 0;
};

// This platform's store (the registry and the private-profile functions on Windows). Safe from any thread.
[[nodiscard]] LanguageStore& PlatformLanguageStore();

}  // namespace kv
