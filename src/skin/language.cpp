#include "skin/language.h"

#include <cstdio>
#include <iterator>
#include <string>
#include <utility>

namespace kv {
namespace {

struct LanguageMapRow {
    uint32_t systemId;
    uint32_t languageId;
};

// System default language -> supported language, searched in this order.
constexpr LanguageMapRow kSystemLanguageMap[] = {
    {0x0C04, 0x0804},
    {0x1004, 0x0404},
    {0x0809, 0x0409}, {0x0C09, 0x0409}, {0x1009, 0x0409}, {0x1409, 0x0409}, {0x1809, 0x0409},
    {0x1C09, 0x0409}, {0x2009, 0x0409}, {0x2409, 0x0409}, {0x2809, 0x0409}, {0x2C09, 0x0409},
    {0x080C, 0x040C}, {0x2C0C, 0x040C}, {0x0C0C, 0x040C}, {0x240C, 0x040C}, {0x300C, 0x040C},
    {0x3C0C, 0x040C}, {0x140C, 0x040C}, {0x340C, 0x040C}, {0x180C, 0x040C}, {0x380C, 0x040C},
    {0xE40C, 0x040C}, {0x200C, 0x040C}, {0x280C, 0x040C}, {0x100C, 0x040C}, {0x1C0C, 0x040C},
};
static_assert(std::size(kSystemLanguageMap) == 27);

int IndexOfLanguage(uint32_t id) {
    for (int i = 0; i < kLanguageCount; ++i)
        if (kLanguageIds[i] == id) return i;
    return -1;
}

std::wstring Lookup(LanguageStore& store, std::string_view section, std::string_view key, int languageIndex) {
    const std::filesystem::path file = store.ProgramDirectory() / LanguageFileName(languageIndex);
    std::optional<std::wstring> value = store.ReadIniValue(file, section, key);
    if (!value) return kMissingText;
    if (value->size() > kLanguageTextCapacity - 1) value->resize(kLanguageTextCapacity - 1);
    return std::move(*value);
}

}  // namespace

uint32_t MapSystemLanguage(uint32_t systemLanguageId) {
    for (const auto& row : kSystemLanguageMap)
        if (row.systemId == systemLanguageId) return row.languageId;
    return systemLanguageId;
}

std::string LanguageFileName(int languageIndex) {
    if (languageIndex < 0 || languageIndex >= kLanguageCount) languageIndex = 0;
    char name[16];
    std::snprintf(name, sizeof name, "Lang%04X.ini", static_cast<unsigned>(kLanguageIds[languageIndex]));
    return name;
}

int GetLanguageId(LanguageStore& store) {
    std::optional<uint32_t> stored = store.ReadStoredLanguageId();
    if (!stored) {
        store.WriteStoredLanguageId(0);
        stored = 0;
    }
    if (*stored != 0) return static_cast<int>(*stored);

    uint32_t id = MapSystemLanguage(store.SystemLanguageId());
    if (IndexOfLanguage(id) < 0) id = kFallbackLanguageId;
    store.WriteStoredLanguageId(id);
    return static_cast<int>(id);
}

int GetLanguageId() { return GetLanguageId(PlatformLanguageStore()); }

int GetLanguageIndex(LanguageStore& store) {
    const int index = IndexOfLanguage(static_cast<uint32_t>(GetLanguageId(store)));
    return index < 0 ? 0 : index;
}

int GetLanguageIndex() { return GetLanguageIndex(PlatformLanguageStore()); }

std::wstring LookupText(LanguageStore& store, std::string_view key, int languageIndex) {
    return Lookup(store, kTextSection, key, languageIndex);
}
std::wstring LookupText(std::string_view key, int languageIndex) {
    return LookupText(PlatformLanguageStore(), key, languageIndex);
}

std::wstring LookupLightText(LanguageStore& store, std::string_view key, int languageIndex) {
    return Lookup(store, kLightSection, key, languageIndex);
}
std::wstring LookupLightText(std::string_view key, int languageIndex) {
    return LookupLightText(PlatformLanguageStore(), key, languageIndex);
}

std::wstring LookupModeText(LanguageStore& store, std::string_view key, int languageIndex) {
    return Lookup(store, kModeSection, key, languageIndex);
}
std::wstring LookupModeText(std::string_view key, int languageIndex) {
    return LookupModeText(PlatformLanguageStore(), key, languageIndex);
}
std::wstring LookupModeText(int effect, int languageIndex) {
    return LookupModeText(std::to_string(effect), languageIndex);
}

std::wstring CurrentLanguageTexts::Text(std::string_view key) const {
    LanguageStore& store = PlatformLanguageStore();
    return LookupText(store, key, GetLanguageIndex(store));
}

}  // namespace kv
