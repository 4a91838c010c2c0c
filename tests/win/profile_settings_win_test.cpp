// Profile settings through the private-profile functions, and the profile data file's one-step
// replacement, on real files under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "keys/assignment_store.h"
#include "profiles/profile_file.h"
#include "profiles/profile_settings.h"

namespace kv {
namespace {

class ProfileFilesWin : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::filesystem::path(temp) / (L"kv-profiles-" + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::remove_all(folder_);
        user_ = folder_ / L"Halvorn";
    }
    void TearDown() override {
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }
    std::filesystem::path folder_, user_;
};

std::wstring Raw(const std::filesystem::path& file, const wchar_t* section, const wchar_t* key) {
    wchar_t buf[256] = {};
    GetPrivateProfileStringW(section, key, L"<none>", buf, 256, file.c_str());
    return buf;
}

TEST_F(ProfileFilesWin, KeyColourIsOneLineOfItsSetsSection) {
    const std::filesystem::path tmpl = folder_ / L"UserDengColor_3.userd";
    std::filesystem::create_directories(folder_);
    EnsureUserFolder(user_, tmpl);  // no template: empty files
    ProfileSettings s(PlatformSettingsStore(), user_);
    s.WriteKeyColor(1, 3, 64, {MakeColor(10, 20, 30), 0});
    EXPECT_EQ(Raw(s.PathOf(1), L"Mode3", L"64"), L"10,20,30,0");
    EXPECT_EQ(s.ReadKeyColor(1, 3, 64), (KeyColor{MakeColor(10, 20, 30), 0}));
    EXPECT_EQ(s.ReadKeyColor(1, 3, 65), (KeyColor{MakeColor(255, 0, 0), 1}));
    s.WriteSetOptions(1, 3, {1, MakeColor(1, 2, 3), MakeColor(4, 5, 6)});
    EXPECT_EQ(Raw(s.PathOf(1), L"Mode3", L"jcolor"), L"1,2,3");
    EXPECT_EQ(Raw(s.PathOf(1), L"Mode3", L"color"), L"4,5,6");
    s.WriteSelectedSet(1, 3);
    EXPECT_EQ(Raw(s.PathOf(1), L"PRESENTMODE", L"mode"), L"3");
    EXPECT_EQ(s.ReadSetName(2, 5), u"0");
}

TEST_F(ProfileFilesWin, ShippedTemplateReadsThroughThePrivateProfileFunctions) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const std::filesystem::path tmpl = SettingsTemplatePath(std::filesystem::path(exe).parent_path());
    ASSERT_TRUE(std::filesystem::exists(tmpl));
    EnsureUserFolder(user_, tmpl);
    ProfileSettings s(PlatformSettingsStore(), user_);
    EXPECT_EQ(s.ReadSetName(0, 0), u"Red");
    EXPECT_EQ(s.ReadSetName(2, 9), u"Ocean");
    EXPECT_EQ(s.ReadKeyColor(1, 5, 125), (KeyColor{MakeColor(0, 0, 255), 1}));
    s.WriteSetName(1, 9, u"\u6d77\u6d0b");  // the file is UTF-16, so a Chinese name survives
    EXPECT_EQ(s.ReadSetName(1, 9), u"\u6d77\u6d0b");
    ASSERT_TRUE(s.ResetProfileFile(1, tmpl));
    EXPECT_EQ(s.ReadSetName(1, 9), u"Ocean");
}

TEST_F(ProfileFilesWin, SaveReplacesTheFileAndRoundTrips) {
    std::filesystem::create_directories(folder_);
    const std::filesystem::path path = folder_ / L"export.kvp";
    ProfileData data;
    ASSERT_TRUE(StoreTextAssignment(data, 1, 0x20, ASSIGN_PROGRAM, u"C:\\\u7a0b\u5e8f.exe"));
    data.content.macros.push_back(NewMacro(u"m", 1));
    ASSERT_TRUE(SaveProfileFile(path, data));
    ASSERT_TRUE(SaveProfileFile(path, data));  // over an existing file
    EXPECT_EQ(ValidateProfileFile(path).code, kValidateOk);
    ProfileData back;
    ASSERT_EQ(LoadProfileFile(path, back), LoadResult::Loaded);
    EXPECT_EQ(back.content.texts, data.content.texts);
    EXPECT_EQ(back.content.macros.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(folder_ / L"export.kvp.new~"));
}

}  // namespace
}  // namespace kv
