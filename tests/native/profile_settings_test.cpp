// The per-profile settings files through the native INI store: values, defaults, seeding and reset.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "profiles/profile_file.h"
#include "profiles/profile_settings.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

class ProfileSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("kv_settings_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        user_ = root_ / "Halvorn";
    }
    void TearDown() override { fs::remove_all(root_); }
    std::string Utf16FileAsAscii(const fs::path& p) {
        std::vector<uint8_t> b;
        EXPECT_TRUE(ReadWholeFile(p, b));
        std::string s;
        for (std::size_t i = 2; i + 1 < b.size(); i += 2) s.push_back(static_cast<char>(b[i]));
        return s;
    }
    fs::path root_, user_;
    IniFileStore store_;
};

TEST_F(ProfileSettingsTest, WritesOneValueAsTheFileLine) {
    fs::create_directories(user_);
    ProfileSettings s(store_, user_);
    s.WriteKeyColor(1, 3, 64, {MakeColor(10, 20, 30), 0});
    const std::string text = Utf16FileAsAscii(user_ / "UserDengColor_1.userd");
    EXPECT_NE(text.find("[Mode3]\r\n64=10,20,30,0\r\n"), std::string::npos) << text;
    EXPECT_EQ(s.ReadKeyColor(1, 3, 64), (KeyColor{MakeColor(10, 20, 30), 0}));
    s.WriteKeyColor(1, 3, 64, {MakeColor(1, 2, 3), 1});
    s.WriteKeyColor(1, 3, 65, {MakeColor(4, 5, 6), 1});
    s.WriteSelectedSet(1, 3);
    const std::string after = Utf16FileAsAscii(user_ / "UserDengColor_1.userd");
    EXPECT_NE(after.find("[Mode3]\r\n64=1,2,3,1\r\n65=4,5,6,1\r\n"), std::string::npos) << after;
    EXPECT_EQ(s.ReadSelectedSet(1), 3);
}

TEST_F(ProfileSettingsTest, MissingValuesReadAsDefaults) {
    ProfileSettings s(store_, user_);
    EXPECT_EQ(s.ReadSelectedSet(2), 0);
    EXPECT_EQ(s.ReadSetName(2, 9), u"0");
    EXPECT_EQ(s.ReadKeyColor(2, 4, 110), (KeyColor{MakeColor(255, 0, 0), 1}));
    EXPECT_EQ(s.ReadSetOptions(2, 4), (SetOptions{0, 0, 0}));
}

TEST_F(ProfileSettingsTest, ReadingReducesFlagsAndKeepsComponentsInRange) {
    fs::create_directories(user_);
    const fs::path file = user_ / "UserDengColor_0.userd";
    std::ofstream(file) << "[PRESENTMODE]\nmode=12\n[Mode2]\n1=10,20,30,7\n2=300,-4,5,0\n3=9\n4=abc\ntool=5\njcolor=1,2\ncolor= 7 , 8,9\n";
    ProfileSettings s(store_, user_);
    EXPECT_EQ(s.ReadSelectedSet(0), 0);  // outside 0..9
    EXPECT_EQ(s.ReadKeyColor(0, 2, 1), (KeyColor{MakeColor(10, 20, 30), 1}));
    EXPECT_EQ(s.ReadKeyColor(0, 2, 2), (KeyColor{MakeColor(255, 0, 5), 0}));
    EXPECT_EQ(s.ReadKeyColor(0, 2, 3), (KeyColor{MakeColor(9, 0, 0), 1}));  // as "%d,%d,%d,%d" scanning leaves the rest
    EXPECT_EQ(s.ReadKeyColor(0, 2, 4), (KeyColor{MakeColor(255, 0, 0), 1}));
    EXPECT_EQ(s.ReadSetOptions(0, 2), (SetOptions{1, MakeColor(1, 2, 0), MakeColor(7, 0, 0)}));
    // An 8-bit file stays 8-bit when written.
    s.WriteSetName(0, 2, u"Warm");
    std::ifstream in(file);
    std::stringstream all;
    all << in.rdbuf();
    EXPECT_NE(all.str().find("[MODENAME]\r\n2=Warm\r\n"), std::string::npos);
    EXPECT_EQ(s.ReadSetName(0, 2), u"Warm");
}

TEST_F(ProfileSettingsTest, SetOptionsAndNamesRoundTrip) {
    ProfileSettings s(store_, user_);
    fs::create_directories(user_);
    s.WriteSetOptions(2, 7, {1, MakeColor(1, 2, 3), MakeColor(250, 251, 252)});
    s.WriteSetName(2, 7, u"\u84dd\u8272 Blue");
    EXPECT_EQ(s.ReadSetOptions(2, 7), (SetOptions{1, MakeColor(1, 2, 3), MakeColor(250, 251, 252)}));
    EXPECT_EQ(s.ReadSetName(2, 7), u"\u84dd\u8272 Blue");
    s.WriteSelectedSet(2, 10);  // not a set: nothing written
    EXPECT_EQ(s.ReadSelectedSet(2), 0);
}

TEST_F(ProfileSettingsTest, FirstRunSeedsThreeCopiesOnlyWhenTheFolderIsNew) {
    const fs::path tmpl = root_ / "UserDengColor_3.userd";
    std::ofstream(tmpl) << "[PRESENTMODE]\r\nmode=4\r\n";
    EnsureUserFolder(user_, tmpl);
    std::vector<uint8_t> t, c;
    ASSERT_TRUE(ReadWholeFile(tmpl, t));
    for (int p = 0; p < 3; ++p) {
        ASSERT_TRUE(ReadWholeFile(ProfileSettingsPath(user_, p), c)) << p;
        EXPECT_EQ(c, t) << p;
    }
    ProfileSettings s(store_, user_);
    EXPECT_EQ(s.ReadSelectedSet(1), 4);
    fs::remove(ProfileSettingsPath(user_, 1));
    EnsureUserFolder(user_, tmpl);  // the folder exists: nothing is copied again
    EXPECT_FALSE(fs::exists(ProfileSettingsPath(user_, 1)));
    EXPECT_EQ(s.ReadSelectedSet(1), 0);
    EXPECT_EQ(s.ReadKeyColor(1, 0, 5), (KeyColor{MakeColor(255, 0, 0), 1}));
    EXPECT_EQ(s.ReadSetName(1, 0), u"0");

    s.WriteSelectedSet(2, 6);
    ASSERT_TRUE(s.ResetProfileFile(2, tmpl));
    EXPECT_EQ(s.ReadSelectedSet(2), 4);

    const fs::path other = root_ / "Other";
    EnsureUserFolder(other, root_ / "no-template");  // a missing template gives empty files
    EXPECT_TRUE(fs::exists(ProfileSettingsPath(other, 0)));
    EXPECT_EQ(fs::file_size(ProfileSettingsPath(other, 0)), 0u);
}

TEST_F(ProfileSettingsTest, ResetWithoutATemplateLeavesTheColourSetsAlone) {
    ProfileSettings s(store_, user_);
    fs::create_directories(user_);
    s.WriteSetName(0, 3, u"Mine");
    s.WriteKeyColor(0, 3, 64, {MakeColor(10, 20, 30), 0});
    EXPECT_FALSE(s.ResetProfileFile(0, root_ / "no-template"));
    EXPECT_EQ(s.ReadSetName(0, 3), u"Mine");
    EXPECT_EQ(s.ReadKeyColor(0, 3, 64), (KeyColor{MakeColor(10, 20, 30), 0}));
}

TEST(SettingsTemplate, ShipsTenNamedSetsWithEveryKey) {
    const fs::path tmpl = SettingsTemplatePath(fs::path(KV_SOURCE_DIR) / "resources" / "dist");
    ASSERT_TRUE(fs::exists(tmpl));
    IniFileStore store;
    for (int set = 0; set < kColorSetCount; ++set) {
        EXPECT_NE(store.Read(tmpl, u"MODENAME", std::u16string(1, static_cast<char16_t>(u'0' + set)), u"?"), u"?");
        for (int key = 0; key < kSettingsKeyCount; ++key) {
            const std::u16string section = u"Mode" + std::u16string(1, static_cast<char16_t>(u'0' + set));
            std::u16string k;
            for (char ch : std::to_string(key)) k.push_back(static_cast<char16_t>(ch));
            ASSERT_NE(store.Read(tmpl, section, k, u"missing"), u"missing") << set << '/' << key;
        }
    }
}

}  // namespace
}  // namespace kv
