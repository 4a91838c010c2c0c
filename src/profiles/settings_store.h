// Where profile settings values live: an INI file read and written one value at a time. On Windows the
// platform's private-profile functions do it; natively IniFileStore does the same on the same files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kv {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The value, or `fallback` when the file, section or key is missing.
    [[nodiscard]] virtual std::u16string Read(const std::filesystem::path& file, std::u16string_view section,
                                              std::u16string_view key, std::u16string_view fallback) = 0;
    // The value reaches the file at once; false when it could not be written.
    [[nodiscard]] virtual bool Write(const std::filesystem::path& file, std::u16string_view section,
                                     std::u16string_view key, std::u16string_view value) = 0;
};

// This side's store: private-profile functions on Windows, IniFileStore natively.
[[nodiscard]] SettingsStore& PlatformSettingsStore();

// A plain INI implementation: sections and keys match without regard to ASCII case, values are trimmed of
// blanks; a file that starts with the UTF-16LE byte order mark is read and written as UTF-16LE, any other
// as 8-bit text; a new file is made UTF-16LE. Lines end in CR LF.
class IniFileStore final : public SettingsStore {
public:
    [[nodiscard]] std::u16string Read(const std::filesystem::path& file, std::u16string_view section,
                                      std::u16string_view key, std::u16string_view fallback) override;
    [[nodiscard]] bool Write(const std::filesystem::path& file, std::u16string_view section, std::u16string_view key,
                             std::u16string_view value) override;
};

}  // namespace kv
