// The profile manager's list, the profile switch's rules and the firmware update's Update command, apart
// from their windows.
#include <gtest/gtest.h>

#include <map>

#include "device/firmware_update.h"
#include "profiles/profile_list.h"
#include "profiles/profile_switch.h"

namespace kv {
namespace {

class MemoryListStore final : public ProfileListStore {
public:
    std::map<std::u16string, std::u16string> values;
    std::vector<std::u16string> writes;  // keys in the order written
    std::u16string Read(std::u16string_view key) override {
        const auto it = values.find(std::u16string(key));
        return it == values.end() ? u"" : it->second;
    }
    void Write(std::u16string_view key, std::u16string_view value) override {
        values[std::u16string(key)] = std::u16string(value);
        writes.emplace_back(key);
    }
};

constexpr char16_t kWorking[] = u"C:\\Users\\u\\AppData\\Local\\Halvorn\\$Profile0";
constexpr char16_t kUserFolder[] = u"C:\\Users\\u\\AppData\\Local\\Halvorn";

TEST(ProfileList, OpensWithOneRowPerProfileAndTheKeyboardsProfileMarked) {
    const ProfileList list(kWorking, 1);
    ASSERT_EQ(list.Rows().size(), 3u);
    for (const ProfileRow& row : list.Rows()) EXPECT_EQ(row, (ProfileRow{u"$Profile0", kUserFolder, u""}));
    EXPECT_EQ(list.Marked(), 1);
    EXPECT_FALSE(list.ApplyEnabled());
    EXPECT_EQ(ProfileList(kWorking, -1).Marked(), -1);
    EXPECT_EQ(ProfileList(kWorking, 3).ProfileToSend(), std::nullopt);
}

TEST(ProfileList, RowsAndKeysFollowTheirFormat) {
    EXPECT_EQ(ProfileListKey(0), u"PROFILE00");
    EXPECT_EQ(ProfileListKey(1), u"PROFILE01");
    EXPECT_EQ(ProfileListKey(42), u"PROFILE42");
    EXPECT_EQ(RowOfPath(u"D:\\games\\fps.kvp"), (ProfileRow{u"fps", u"D:\\games", u".kvp"}));
    EXPECT_EQ(RowOfPath(u"D:/games/fps.v2.kvp"), (ProfileRow{u"fps.v2", u"D:/games", u".kvp"}));
    EXPECT_EQ(RowOfPath(u"plain"), (ProfileRow{u"plain", u"", u""}));
    EXPECT_EQ(RowOfPath(u"D:\\.hidden"), (ProfileRow{u".hidden", u"D:", u""}));
    // A stored path is the file's own: its real extension, or none.
    for (const char16_t* path : {u"D:\\games\\fps.kvp", u"D:\\games\\fps.json", u"D:\\games\\fps.KVP",
                                 u"C:\\Users\\u\\AppData\\Local\\Halvorn\\$Profile0"})
        EXPECT_EQ(StoredPathOf(RowOfPath(path)), path);
}

TEST(ProfileList, ClicksMarkOnlyTheOnBoardRowsAndDeleteSparesThem) {
    ProfileList list(kWorking, 0);
    EXPECT_TRUE(list.Add(u"D:\\games\\fps.kvp"));
    EXPECT_FALSE(list.Add(u"d:\\GAMES\\FPS.KVP"));  // listed already
    EXPECT_TRUE(list.Add(u"D:\\games\\fps.json"));  // another file of the same title
    EXPECT_TRUE(list.Delete(4));
    EXPECT_TRUE(list.ApplyEnabled());
    ASSERT_EQ(list.Rows().size(), 4u);

    list.Click(2);
    EXPECT_EQ(list.Marked(), 2);
    list.Click(3);  // a profile file beyond the keyboard's three: selected, never marked
    EXPECT_EQ(list.Marked(), 2);
    EXPECT_EQ(list.ProfileToSend(), 2);

    EXPECT_FALSE(list.CanDelete(0));
    EXPECT_FALSE(list.Delete(2));
    EXPECT_FALSE(list.Delete(9));
    EXPECT_TRUE(list.Delete(3));
    EXPECT_EQ(list.Rows().size(), 3u);

    list.ShowDeviceProfile(0);
    EXPECT_EQ(list.Marked(), 0);
    EXPECT_FALSE(list.ApplyEnabled());
}

TEST(ProfileList, StoresRowsThenTheirCountAndReadsThemBack) {
    ProfileList list(kWorking, 0);
    ASSERT_TRUE(list.Add(u"D:\\games\\fps.json"));
    MemoryListStore store;
    list.Store(store);
    EXPECT_EQ(store.writes, (std::vector<std::u16string>{u"PROFILE01", u"PROFILE02", u"PROFILE03", u"PROFILE04", u"PROFILE00"}));
    EXPECT_EQ(store.values[u"PROFILE00"], u"4");
    EXPECT_EQ(store.values[u"PROFILE01"], kWorking);
    EXPECT_EQ(store.values[u"PROFILE04"], u"D:\\games\\fps.json");

    ProfileList again(kWorking, 2);
    again.LoadStored(store);
    EXPECT_EQ(again.Rows(), list.Rows());
    EXPECT_EQ(again.Marked(), 2);
}

TEST(ProfileList, AStoredListThatIsNotWholeLeavesTheDefaultRows) {
    const std::map<std::u16string, std::u16string> broken[] = {
        {{u"PROFILE00", u"2"}, {u"PROFILE01", u"a.kvp"}, {u"PROFILE02", u"b.kvp"}},
        {{u"PROFILE00", u"3"}, {u"PROFILE01", u"a.kvp"}, {u"PROFILE02", u"b.kvp"}},
        {{u"PROFILE00", u"x3"}, {u"PROFILE01", u"a.kvp"}, {u"PROFILE02", u"b.kvp"}, {u"PROFILE03", u"c.kvp"}},
        {{u"PROFILE00", u"100000000000000000000"}},
    };
    for (const auto& values : broken) {
        MemoryListStore store;
        store.values = values;
        ProfileList list(kWorking, 0);
        list.LoadStored(store);
        EXPECT_EQ(list.Rows(), ProfileList(kWorking, 0).Rows());
    }
}

TEST(ProfileSwitch, RequestsAreRefusedAskedOrCarriedOut) {
    EXPECT_EQ(SwitchTarget(0), 0);
    EXPECT_EQ(SwitchTarget(2), 2);
    EXPECT_EQ(SwitchTarget(3), 0);
    EXPECT_EQ(SwitchTarget(-1), 0);
    const struct {
        bool keyDialog, question, unapplied;
        SwitchStart expected;
    } cases[] = {
        {true, false, false, SwitchStart::RefuseKeyDialogOpen},
        {true, true, true, SwitchStart::RefuseKeyDialogOpen},
        {false, true, true, SwitchStart::RefuseQuestionOpen},
        {false, false, true, SwitchStart::Ask},
        {false, false, false, SwitchStart::Switch},
    };
    for (const auto& c : cases) EXPECT_EQ(StartSwitch(c.keyDialog, c.question, c.unapplied), c.expected);
}

TEST(ProfileSwitch, CaptionNamesTheProfileFileOnlyWhenTheKeyboardsProfileIsKnown) {
    const std::filesystem::path file = std::filesystem::path("Halvorn") / "$Profile0";
    EXPECT_EQ(ProfileCaption(1, file, u"Default", u" - Kelvane"), u"$Profile0 - Kelvane");
    EXPECT_EQ(ProfileCaption(-1, file, u"Default", u" - Kelvane"), u"Default - Kelvane");
    EXPECT_EQ(ProfileCaption(3, file, u"Default", u" - Kelvane"), u"Default - Kelvane");
}

class ScriptedLaunch final : public UpdaterLaunch {
public:
    bool exists = true;
    int bootResult = 1;
    bool starts = true;
    int bootRequests = 0;
    std::vector<std::filesystem::path> started;
    bool IsFile(const std::filesystem::path&) override { return exists; }
    int EnterBootMode() override {
        ++bootRequests;
        return bootResult;
    }
    bool StartUpdater(const std::filesystem::path& path) override {
        started.push_back(path);
        return starts;
    }
};

TEST(FirmwareUpdate, EachStepStopsWithItsMessage) {
    const struct {
        const char* name;
        std::filesystem::path path;
        bool exists;
        int boot;
        bool starts;
        const char* message;
        bool bootSent, closes, pathKept;
    } cases[] = {
        {"empty path", "", true, 1, true, kMessageUpdaterMissing, false, false, true},
        {"missing file", "C:/no.exe", false, 1, true, kMessageUpdaterMissing, false, false, true},
        {"boot refused", "C:/up.exe", true, -1, true, kMessageBootRefused, true, false, true},
        {"no keyboard", "C:/up.exe", true, 0, true, kMessageBootRefused, true, false, true},
        {"updater fails", "C:/up.exe", true, 1, false, kMessageUpdaterFailed, true, false, false},
        {"runs", "C:/up.exe", true, 1, true, nullptr, true, true, false},
        {"any positive acceptance", "C:/up.exe", true, 65, true, nullptr, true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedLaunch launch;
        launch.exists = c.exists;
        launch.bootResult = c.boot;
        launch.starts = c.starts;
        std::filesystem::path path = c.path;
        const UpdateOutcome out = RunFirmwareUpdate(path, launch);
        if (c.message) {
            EXPECT_STREQ(out.messageKey, c.message);
        } else {
            EXPECT_EQ(out.messageKey, nullptr);
        }
        EXPECT_EQ(out.bootRequested, c.bootSent);
        EXPECT_EQ(launch.bootRequests, c.bootSent ? 1 : 0);
        EXPECT_EQ(out.closeDialog, c.closes);
        EXPECT_EQ(path, c.pathKept ? c.path : std::filesystem::path());
    }
}

TEST(FirmwareUpdate, ASecondUpdateAfterAStartAsksForAFileAgain) {
    ScriptedLaunch launch;
    std::filesystem::path path = "C:/up.exe";
    EXPECT_TRUE(RunFirmwareUpdate(path, launch).closeDialog);
    EXPECT_EQ(launch.started, (std::vector<std::filesystem::path>{"C:/up.exe"}));
    EXPECT_STREQ(RunFirmwareUpdate(path, launch).messageKey, kMessageUpdaterMissing);
    EXPECT_EQ(launch.bootRequests, 1);
}

}  // namespace
}  // namespace kv
