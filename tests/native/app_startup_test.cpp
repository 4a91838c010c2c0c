#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "app/command_line.h"
#include "app/instance_protocol.h"
#include "app/program_paths.h"
#include "app/user_folder_seed.h"
#include "profiles/profile_file.h"

namespace kv {
namespace {

TEST(StartSwitches, MatchWithoutRegardToCaseAndIgnoreOthers) {
    struct Case {
        std::vector<std::wstring> args;
        bool kill, start;
    } cases[] = {
        {{}, false, false},
        {{L"/Start"}, false, true},
        {{L"/START"}, false, true},
        {{L"/kill"}, true, false},
        {{L"-Start", L"-Kill", L"Start", L"/Startx", L"/"}, false, false},
        {{L"/Start", L"/Kill"}, true, true},
        {{L"foo", L"/sTaRt", L"bar"}, false, true},
    };
    for (const auto& c : cases) {
        const StartSwitches s = ParseStartSwitches(c.args);
        EXPECT_EQ(s.kill, c.kill);
        EXPECT_EQ(s.start, c.start);
    }
}

TEST(ProgramPaths, ComputedFromTheExecutableFolder) {
    const ProgramPaths p = ComputeProgramPaths(L"C:\\Program Files\\Kelvane\\Kelvane.exe");
    EXPECT_EQ(p.programFolder, L"C:\\Program Files\\Kelvane\\");
    EXPECT_EQ(p.exeName, L"Kelvane.exe");
    EXPECT_EQ(p.helpFolder, L"C:\\Program Files\\Kelvane\\Help\\");
    EXPECT_EQ(p.mainSkin, L"C:\\Program Files\\Kelvane\\Skins\\Main.ini");
    EXPECT_EQ(p.profileSkin, L"C:\\Program Files\\Kelvane\\Skins\\Profile.ini");
    EXPECT_EQ(p.updateSkin, L"C:\\Program Files\\Kelvane\\Skins\\UpdateDlg.ini");
    EXPECT_EQ(p.compositeSkin, L"C:\\Program Files\\Kelvane\\Skins\\Composite.ini");
    EXPECT_EQ(p.skinFolder, L"C:\\Program Files\\Kelvane\\Skins\\");
    EXPECT_EQ(p.templatePrefix, L"C:\\Program Files\\Kelvane\\Skins\\UserDengColor_");
    EXPECT_EQ(p.packageFolder, L"C:\\Program Files\\Kelvane\\Package");
    EXPECT_EQ(p.daemon, L"C:\\Program Files\\Kelvane\\Tirvane.exe");
    EXPECT_EQ(LanguageFilePath(p, 0x804), L"C:\\Program Files\\Kelvane\\Lang0804.ini");
    EXPECT_EQ(LanguageFilePath(p, 0x409), L"C:\\Program Files\\Kelvane\\Lang0409.ini");
    EXPECT_EQ(SkinPicturePath(p, L"main_normal.jpg"), L"C:\\Program Files\\Kelvane\\Skins\\main_normal.jpg");
}

TEST(ProgramPaths, UserFolderFiles) {
    for (const std::wstring base : {L"C:\\Users\\a\\AppData\\Local", L"C:\\Users\\a\\AppData\\Local\\"}) {
        const UserPaths u = ComputeUserPaths(base);
        EXPECT_EQ(u.folder, L"C:\\Users\\a\\AppData\\Local\\Halvorn");
        EXPECT_EQ(u.settingsFile, L"C:\\Users\\a\\AppData\\Local\\Halvorn\\wskb.ini");
        EXPECT_EQ(ProfileSettingsPath(u.profilePrefix, 2), L"C:\\Users\\a\\AppData\\Local\\Halvorn\\UserDengColor_2.userd");
        EXPECT_EQ(WorkingProfileDataFileName(u), L"C:\\Users\\a\\AppData\\Local\\Halvorn\\$Profile0");
    }
}

TEST(ProgramPaths, OverlongPathsAreCutTo259Characters) {
    const ProgramPaths p = ComputeProgramPaths(std::wstring(300, L'a') + L"\\Kelvane.exe");
    EXPECT_EQ(p.mainSkin.size(), kMaxPathChars - 1);
}

class UserFolderSeed : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() /
                ("kv_seed_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "prog" / "Skins");
        std::filesystem::create_directories(root_ / "local");
        program_ = ComputeProgramPaths(root_.wstring() + L"\\prog\\Kelvane.exe");
        user_ = ComputeUserPaths(root_.wstring() + L"\\local");
    }
    void TearDown() override { std::filesystem::remove_all(root_); }
    static std::string Read(const std::filesystem::path& f) {
        std::ifstream in(f, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::filesystem::path root_;
    ProgramPaths program_;
    UserPaths user_;
};

TEST_F(UserFolderSeed, FirstRunCopiesTemplateThreeTimes) {
    const std::string templ("[USER]\r\nA=1\r\n\0\xff", 15);
    std::ofstream(root_ / "prog" / "Skins" / "UserDengColor_3.userd", std::ios::binary) << templ;
    std::ofstream(root_ / "prog" / "Skins" / "UserDengColor_0.userd", std::ios::binary) << "wrong template";
    EXPECT_EQ(SeedUserFolder(user_, program_), SeedResult::Seeded);
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(Read(root_ / "local" / "Halvorn" / ("UserDengColor_" + std::to_string(n) + ".userd")), templ) << n;
    EXPECT_FALSE(std::filesystem::exists(root_ / "local" / "Halvorn" / "UserDengColor_3.userd"));
    // A second run finds the folder and leaves a file deleted meanwhile missing.
    std::filesystem::remove(root_ / "local" / "Halvorn" / "UserDengColor_1.userd");
    EXPECT_EQ(SeedUserFolder(user_, program_), SeedResult::AlreadyThere);
    EXPECT_FALSE(std::filesystem::exists(root_ / "local" / "Halvorn" / "UserDengColor_1.userd"));
}

TEST_F(UserFolderSeed, ExistingEmptyFolderGetsNothing) {
    std::ofstream(root_ / "prog" / "Skins" / "UserDengColor_3.userd") << "x";
    std::filesystem::create_directories(root_ / "local" / "Halvorn");
    EXPECT_EQ(SeedUserFolder(user_, program_), SeedResult::AlreadyThere);
    EXPECT_TRUE(std::filesystem::is_empty(root_ / "local" / "Halvorn"));
}

TEST_F(UserFolderSeed, AnExistenceCheckThatFailsTouchesNothing) {
    // The local folder cannot be looked into (a link to itself): whether U exists cannot be told, so nothing
    // may be written there: the user's settings may well be in it.
    std::ofstream(root_ / "prog" / "Skins" / "UserDengColor_3.userd") << "x";
    std::filesystem::remove_all(root_ / "local");
    std::filesystem::create_directory_symlink(root_ / "local", root_ / "local");
    EXPECT_EQ(SeedUserFolder(user_, program_), SeedResult::Unknown);
}

TEST_F(UserFolderSeed, AFileAlreadyThereIsNeverReplaced) {
    const auto file = root_ / "local" / "kept.userd";
    std::ofstream(file) << "the user's colours";
    const std::vector<uint8_t> other{1, 2, 3};
    EXPECT_FALSE(WriteNewFile(file, other));
    EXPECT_EQ(Read(file), "the user's colours");
    EXPECT_TRUE(WriteNewFile(root_ / "local" / "new.userd", other));
    EXPECT_EQ(Read(root_ / "local" / "new.userd"), std::string("\x01\x02\x03"));
}

TEST_F(UserFolderSeed, MissingTemplateGivesEmptyCopies) {
    EXPECT_EQ(SeedUserFolder(user_, program_), SeedResult::Seeded);
    for (int n = 0; n < 3; ++n) {
        const auto f = root_ / "local" / "Halvorn" / ("UserDengColor_" + std::to_string(n) + ".userd");
        ASSERT_TRUE(std::filesystem::exists(f));
        EXPECT_EQ(std::filesystem::file_size(f), 0u);
    }
}

TEST(InstanceProtocol, FindsTheFirstOtherProcessByName) {
    const std::vector<ProcessEntry> list = {
        {0, L"Kelvane.exe"},  // the idle process is never a match
        {10, L"explorer.exe"},
        {20, L"kelvane.EXE"},  // ourselves
        {30, L"KELVANE.exe"},
        {40, L"Kelvane.exe"},
    };
    EXPECT_EQ(FindInstanceInList(list, L"Kelvane.exe", 20), 30u);
    EXPECT_EQ(FindInstanceInList(list, L"Kelvane.exe", 99), 20u);
    EXPECT_EQ(FindInstanceInList(list, L"Tirvane.exe", 20), 0u);
    EXPECT_EQ(FindInstanceInList(list, L"Kelvane", 20), 0u);
    EXPECT_EQ(FindInstanceInList({}, L"Kelvane.exe", 1), 0u);
    // The running instance may come first in the list (it does under Wine).
    EXPECT_EQ(FindInstanceInList({{32, L"Kelvane.exe"}, {292, L"Kelvane.exe"}}, L"Kelvane.exe", 292), 32u);
}

TEST(InstanceProtocol, OnlyACopyInTheCallersOwnSessionIsTheRunningInstance) {
    // Another user's copy is listed first: it is not ours to open, and finding it would end this start.
    const std::vector<ProcessEntry> list = {
        {12, L"Kelvane.exe", 2},
        {14, L"Kelvane.exe", kUnknownSession},
        {16, L"Kelvane.exe", 1},
    };
    EXPECT_EQ(FindInstanceInList(list, L"Kelvane.exe", 99, 1), 16u);
    EXPECT_EQ(FindInstanceInList(list, L"Kelvane.exe", 99, 3), 0u);
    EXPECT_EQ(FindInstanceInList({{12, L"Kelvane.exe", 2}}, L"Kelvane.exe", 99, 1), 0u);
}

TEST(InstanceProtocol, OnlyTheTaggedWindowOfTheProcessIsChosen) {
    const std::vector<TopWindow> windows = {
        {7, 0x4D41494E},  // another process's tagged window
        {5, 0},           // the instance's untagged window (an About box, say)
        {5, 0x4D41494E},  // the main window
        {5, 0x4D41494E},
    };
    const NotifyChoice c = ChooseInstanceWindow(windows, 5);
    EXPECT_TRUE(c.found);
    EXPECT_EQ(c.target, 2);
    const NotifyChoice untagged = ChooseInstanceWindow({{5, 0}, {5, 0x4E49414D}}, 5);
    EXPECT_TRUE(untagged.found);
    EXPECT_EQ(untagged.target, -1);
    const NotifyChoice none = ChooseInstanceWindow(windows, 9);
    EXPECT_FALSE(none.found);
    EXPECT_EQ(none.target, -1);
}

TEST(InstanceProtocol, EventNames) {
    EXPECT_EQ(InstanceEventName(1), L"Kelvane_Event_Main_01");
    EXPECT_EQ(InstanceEventName(99), L"Kelvane_Event_Main_99");
    EXPECT_EQ(InstanceEventName(210), L"Kelvane_Event_Main_210");
}

}  // namespace
}  // namespace kv
