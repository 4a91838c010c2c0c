#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "skin/language.h"
#include "skin/language_store_win.h"

namespace kv {
namespace {

// The registry and the private-profile functions for real, under a key and in a folder of the test's own;
// only the system language and the program folder are set by the test.
class TestStore final : public RegistryLanguageStore {
public:
    TestStore(std::wstring subKey, std::filesystem::path folder)
        : RegistryLanguageStore(HKEY_CURRENT_USER, std::move(subKey)), folder_(std::move(folder)) {}
    uint32_t systemId = 0x0409;
    uint32_t SystemLanguageId() override { return systemId; }
    std::filesystem::path ProgramDirectory() override { return folder_; }

private:
    std::filesystem::path folder_;
};

class LanguageStoreWin : public ::testing::Test {
protected:
    void SetUp() override {
        subKey_ = L"Software\\Halvorn-test-" + std::to_wstring(GetCurrentProcessId());
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::filesystem::path(temp) / (L"kv-lang-" + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, subKey_.c_str());
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }

    // Writes a language file as it ships: UTF-16LE with a byte order mark.
    void WriteLanguageFile(const char* name, std::wstring_view text) {
        std::ofstream out(folder_ / name, std::ios::binary);
        out << "\xFF\xFE";
        for (wchar_t c : text) out << static_cast<char>(c & 0xFF) << static_cast<char>((c >> 8) & 0xFF);
    }

    DWORD StoredType() {
        DWORD type = 0;
        RegGetValueW(HKEY_CURRENT_USER, subKey_.c_str(), L"dwLanguageId", RRF_RT_ANY, &type, nullptr, nullptr);
        return type;
    }
    DWORD StoredValue() {
        DWORD value = 0, size = sizeof value;
        RegGetValueW(HKEY_CURRENT_USER, subKey_.c_str(), L"dwLanguageId", RRF_RT_REG_DWORD, nullptr, &value, &size);
        return value;
    }
    void StoreString(const wchar_t* text) {
        RegSetKeyValueW(HKEY_CURRENT_USER, subKey_.c_str(), L"dwLanguageId", REG_SZ, text,
                        static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    }
    void StoreDword(DWORD value) {
        RegSetKeyValueW(HKEY_CURRENT_USER, subKey_.c_str(), L"dwLanguageId", REG_DWORD, &value, sizeof value);
    }

    std::wstring subKey_;
    std::filesystem::path folder_;
};

TEST_F(LanguageStoreWin, ChoosesAndStoresTheLanguageId) {
    struct Case {
        const wchar_t* storedText;  // a value of the wrong type, or null
        DWORD storedDword;          // 0: none stored
        uint32_t systemId;
        int id;
    };
    const Case cases[] = {
        {nullptr, 0, 0x0C04, 2052},
        {nullptr, 0, 0x0407, 1033},
        {nullptr, 1031, 0x0C04, 1031},     // stored by hand: kept
        {L"2052", 0, 0x080C, 1036},        // not a DWORD: replaced and chosen again
    };
    for (const auto& c : cases) {
        RegDeleteTreeW(HKEY_CURRENT_USER, subKey_.c_str());
        if (c.storedText) StoreString(c.storedText);
        if (c.storedDword) StoreDword(c.storedDword);
        TestStore store(subKey_, folder_);
        store.systemId = c.systemId;
        EXPECT_EQ(GetLanguageId(store), c.id) << std::hex << c.systemId;
        EXPECT_EQ(StoredType(), static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(StoredValue(), static_cast<DWORD>(c.id));
        store.systemId = 0x0404;
        EXPECT_EQ(GetLanguageId(store), c.id) << "kept on the next call";
    }
}

TEST_F(LanguageStoreWin, ReadsTheLanguageFiles) {
    const std::wstring long300(300, L'\u4e2d');
    WriteLanguageFile("Lang0409.ini", L"[TEXT]\r\nMAIN_CAPTION=\r\nPROFILE_1 =  Profile 1  \r\nLONG=" + long300 +
                                          L"\r\n[LIGHT]\r\nUsb=Report rate\r\n[MODE]\r\n20=Wave\r\n");
    WriteLanguageFile("Lang0804.ini", L"[TEXT]\r\nPROFILE_1=\u914d\u7f6e1\r\n");
    TestStore store(subKey_, folder_);

    EXPECT_EQ(LookupText(store, "MAIN_CAPTION", 0), L"");
    EXPECT_EQ(LookupText(store, "PROFILE_1", 0), L"Profile 1");
    EXPECT_EQ(LookupText(store, "LONG", 0), long300.substr(0, 259));
    EXPECT_EQ(LookupText(store, "MISSING", 0), L"#Error");
    EXPECT_EQ(LookupLightText(store, "Usb", 0), L"Report rate");
    EXPECT_EQ(LookupModeText(store, "20", 0), L"Wave");
    EXPECT_EQ(LookupText(store, "PROFILE_1", 1), L"\u914d\u7f6e1");
    EXPECT_EQ(LookupText(store, "PROFILE_1", 3), L"#Error");  // no French file

    store.systemId = 0x0C04;  // first run on a Hong Kong system: the simplified Chinese file
    EXPECT_EQ(LookupText(store, "PROFILE_1", GetLanguageIndex(store)), L"\u914d\u7f6e1");
}

TEST(LanguageStoreWinProgram, FolderOfTheProgramWhateverTheCurrentDirectory) {
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    SetCurrentDirectoryW(temp);
    RegistryLanguageStore store;
    const std::filesystem::path folder = store.ProgramDirectory();
    SetCurrentDirectoryW(saved);
    EXPECT_TRUE(std::filesystem::exists(folder / "kv_wintests.exe")) << folder;
}

}  // namespace
}  // namespace kv
