// A portable reader of language files (INI text), for the native build, tools and tests; Windows reads
// them through its private-profile functions and this reader follows the same rules: sections and keys
// match without regard to ASCII case, blanks around keys and values are removed, a value wholly inside
// quotes loses them, the first match wins. Files may be UTF-16 (little- or big-endian, with BOM) or UTF-8
// (with or without BOM); the shipped files are UTF-16LE with BOM.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

// The text of an INI file's bytes as wide characters (UTF-16 on Windows, UTF-32 natively). Bytes that
// are not valid UTF-8 become U+FFFD.
[[nodiscard]] std::wstring DecodeIniBytes(std::string_view bytes);

// The value of key in section, nothing when the section or key is missing.
[[nodiscard]] std::optional<std::wstring> FindIniValue(std::wstring_view text, std::string_view section,
                                                       std::string_view key);

// Reads the file and looks the value up; nothing when the file cannot be read.
[[nodiscard]] std::optional<std::wstring> ReadIniFileValue(const std::filesystem::path& file,
                                                           std::string_view section, std::string_view key);

}  // namespace kv
