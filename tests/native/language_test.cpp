#include "skin/language.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "skin/language_file.h"

namespace kv {
namespace {

// A language store in memory: the stored id, the system language and the language files by path.
class FakeLanguageStore final : public LanguageStore {
public:
    std::optional<uint32_t> stored;
    std::vector<uint32_t> writes;
    uint32_t systemId = 0x0409;
    std::map<std::filesystem::path, std::wstring> files;
    std::vector<std::filesystem::path> filesRead;

    std::optional<uint32_t> ReadStoredLanguageId() override { return stored; }
    void WriteStoredLanguageId(uint32_t id) override {
        stored = id;
        writes.push_back(id);
    }
    uint32_t SystemLanguageId() override { return systemId; }
    std::filesystem::path ProgramDirectory() override { return "/opt/kelvane"; }
    std::optional<std::wstring> ReadIniValue(const std::filesystem::path& file, std::string_view section,
                                             std::string_view key) override {
        filesRead.push_back(file);
        const auto it = files.find(file);
        if (it == files.end()) return std::nullopt;
        return FindIniValue(it->second, section, key);
    }
};

TEST(Language, ChoosesAndKeepsTheLanguageId) {
    struct Case {
        std::optional<uint32_t> stored;  // nothing: missing, or not a DWORD
        uint32_t systemId;
        int id;
        int index;
        std::vector<uint32_t> writes;
    };
    const Case cases[] = {
        {std::nullopt, 0x0C04, 2052, 1, {0, 2052}},  // Hong Kong: simplified Chinese
        {std::nullopt, 0x0407, 1033, 0, {0, 1033}},  // German is not offered
        {std::nullopt, 0x1004, 1028, 2, {0, 1028}},
        {std::nullopt, 0x100C, 1036, 3, {0, 1036}},
        {std::nullopt, 0x0C09, 1033, 0, {0, 1033}},
        {std::nullopt, 0x0804, 2052, 1, {0, 2052}},  // supported ids pass through
        {std::nullopt, 0x040C, 1036, 3, {0, 1036}},
        {0, 0x0404, 1028, 2, {1028}},                // 0: not chosen yet
        {1031, 0x0C04, 1031, 0, {}},                 // stored by hand: kept, English texts
        {2052, 0x0409, 2052, 1, {}},
        {0xFFFFFFFF, 0x0409, -1, 0, {}},
    };
    for (const auto& c : cases) {
        FakeLanguageStore store;
        store.stored = c.stored;
        store.systemId = c.systemId;
        EXPECT_EQ(GetLanguageId(store), c.id) << std::hex << c.systemId;
        EXPECT_EQ(store.writes, c.writes) << std::hex << c.systemId;
        // Once chosen the id stays, whatever the system says later.
        store.systemId = 0x0407;
        EXPECT_EQ(GetLanguageIndex(store), c.index) << std::hex << c.systemId;
        EXPECT_EQ(store.writes, c.writes) << std::hex << c.systemId;
    }
}

TEST(Language, SystemLanguageMapAndFileNames) {
    EXPECT_EQ(MapSystemLanguage(0x0C04), 0x0804u);
    EXPECT_EQ(MapSystemLanguage(0x1C0C), 0x040Cu);
    EXPECT_EQ(MapSystemLanguage(0x2C09), 0x0409u);
    EXPECT_EQ(MapSystemLanguage(0x0407), 0x0407u);
    EXPECT_EQ(LanguageFileName(0), "Lang0409.ini");
    EXPECT_EQ(LanguageFileName(1), "Lang0804.ini");
    EXPECT_EQ(LanguageFileName(2), "Lang0404.ini");
    EXPECT_EQ(LanguageFileName(3), "Lang040C.ini");
    EXPECT_EQ(LanguageFileName(4), "Lang0409.ini");
    EXPECT_EQ(LanguageFileName(-1), "Lang0409.ini");
}

TEST(Language, Lookups) {
    FakeLanguageStore store;
    const std::wstring long300(300, L'\u4e2d');
    store.files["/opt/kelvane/Lang0409.ini"] =
        L"[TEXT]\r\nMAIN_CAPTION=\r\nPROFILE_1 =  Profile 1  \r\nLONG=" + long300 +
        L"\r\n[LIGHT]\r\nUsb=Report rate\r\n[MODE]\r\n1=Static\r\n20=Wave\r\n";
    store.files["/opt/kelvane/Lang0804.ini"] = L"[TEXT]\nPROFILE_1=\u914d\u7f6e1\n";

    struct Case {
        std::wstring (*lookup)(LanguageStore&, std::string_view, int);
        const char* key;
        int index;
        std::wstring text;
    };
    const Case cases[] = {
        {LookupText, "MAIN_CAPTION", 0, L""},             // empty value: empty text, not "#Error"
        {LookupText, "PROFILE_1", 0, L"Profile 1"},
        {LookupText, "LONG", 0, long300.substr(0, 259)},  // cut to 259 characters
        {LookupText, "MISSING", 0, L"#Error"},
        {LookupText, "Usb", 0, L"#Error"},                 // another section's key
        {LookupLightText, "Usb", 0, L"Report rate"},
        {LookupModeText, "20", 0, L"Wave"},
        {LookupModeText, "2", 0, L"#Error"},
        {LookupText, "PROFILE_1", 1, L"\u914d\u7f6e1"},
        {LookupText, "PROFILE_1", 3, L"#Error"},           // no French file
        {LookupText, "PROFILE_1", 7, L"Profile 1"},        // an index outside the list reads English
    };
    for (const auto& c : cases) EXPECT_EQ(c.lookup(store, c.key, c.index), c.text) << c.key << " " << c.index;
    EXPECT_EQ(store.filesRead.back(), std::filesystem::path("/opt/kelvane/Lang0409.ini"));
}

TEST(Language, NoCaching) {
    FakeLanguageStore store;
    store.files["/opt/kelvane/Lang0409.ini"] = L"[TEXT]\nA=one\n";
    EXPECT_EQ(LookupText(store, "A", GetLanguageIndex(store)), L"one");
    store.files["/opt/kelvane/Lang0409.ini"] = L"[TEXT]\nA=two\n";
    store.files["/opt/kelvane/Lang040C.ini"] = L"[TEXT]\nA=deux\n";
    EXPECT_EQ(LookupText(store, "A", GetLanguageIndex(store)), L"two");
    store.stored = 1036;  // a changed id reaches the next lookup
    EXPECT_EQ(LookupText(store, "A", GetLanguageIndex(store)), L"deux");
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// The native store: the language id lives in memory and the files are looked for beside the program.
TEST(Language, NativeStore) {
    LanguageStore& store = PlatformLanguageStore();
    EXPECT_TRUE(std::filesystem::exists(store.ProgramDirectory() / "kv_tests"));
    EXPECT_EQ(GetLanguageId(), 1033);
    EXPECT_EQ(store.ReadStoredLanguageId(), 1033u);
}

}  // namespace
}  // namespace kv
