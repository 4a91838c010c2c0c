// The language tables: which language the texts are shown in, and the texts themselves, read from the
// language file "Lang%04X.ini" beside the program each time a text is shown (nothing is cached, so a
// changed language id reaches every later lookup). Safe from any thread; never fails: a missing file or
// key gives "#Error".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "skin/language_store.h"
#include "skin/language_text_source.h"

namespace kv {

// The supported languages in their fixed order; the position is the language index.
inline constexpr int kLanguageCount = 4;
inline constexpr uint32_t kLanguageIds[kLanguageCount] = {
    0x0409,  // 1033 English            Lang0409.ini
    0x0804,  // 2052 Chinese, simplified Lang0804.ini
    0x0404,  // 1028 Chinese, traditional Lang0404.ini
    0x040C,  // 1036 French              Lang040C.ini
};
inline constexpr uint32_t kFallbackLanguageId = 1033;  // stored for a system language we do not support

inline constexpr std::size_t kLanguageTextCapacity = 260;  // texts are cut to 259 characters
inline constexpr wchar_t kMissingText[] = L"#Error";
inline constexpr char kLanguageIdValueName[] = "dwLanguageId";

inline constexpr char kTextSection[] = "TEXT";
inline constexpr char kLightSection[] = "LIGHT";
inline constexpr char kModeSection[] = "MODE";

// The supported id a system language maps to; an id not in the map comes back unchanged.
[[nodiscard]] uint32_t MapSystemLanguage(uint32_t systemLanguageId);
// "Lang%04X.ini" of the language at that index (index 0 for one outside 0-3).
[[nodiscard]] std::string LanguageFileName(int languageIndex);

// The stored language id; when none is stored yet (or the stored value is not a DWORD) it is chosen from
// the system's language and stored.
[[nodiscard]] int GetLanguageId(LanguageStore& store);
[[nodiscard]] int GetLanguageId();
// The position 0-3 of GetLanguageId in the supported list; 0 when it is not there.
[[nodiscard]] int GetLanguageIndex(LanguageStore& store);
[[nodiscard]] int GetLanguageIndex();

// The value of key in section "TEXT", "LIGHT" or "MODE" of the language file of languageIndex.
[[nodiscard]] std::wstring LookupText(LanguageStore& store, std::string_view key, int languageIndex);
[[nodiscard]] std::wstring LookupText(std::string_view key, int languageIndex);
[[nodiscard]] std::wstring LookupLightText(LanguageStore& store, std::string_view key, int languageIndex);
[[nodiscard]] std::wstring LookupLightText(std::string_view key, int languageIndex);
[[nodiscard]] std::wstring LookupModeText(LanguageStore& store, std::string_view key, int languageIndex);
[[nodiscard]] std::wstring LookupModeText(std::string_view key, int languageIndex);
[[nodiscard]] std::wstring LookupModeText(int effect, int languageIndex);  // key: the number in decimal

}  // namespace kv
