// The profile manager against the virtual keyboard: its list, Apply storing PROFILE00, PROFILE01 ... and
// switching the keyboard's profile, and files that are not profile data kept out of the list.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "device/commands.h"
#include "keys/assignment_store.h"
#include "keys/key_catalogue.h"
#include "profile_test_host_win.h"
#include "profiles/profile_exchange.h"
#include "profiles/profile_file.h"
#include "profiles/profile_flows_win.h"
#include "profiles/profile_manager_win.h"
#include "profiles/profile_window_win.h"
#include "device/update_dialog_win.h"
#include "ui/resource_ids.h"

namespace kv {
namespace {

using kvtest::Click;
using kvtest::Keyboard;

class MemoryListStore final : public ProfileListStore {
public:
    std::map<std::u16string, std::u16string> values;
    std::u16string Read(std::u16string_view key) override {
        const auto it = values.find(std::u16string(key));
        return it == values.end() ? u"" : it->second;
    }
    void Write(std::u16string_view key, std::u16string_view value) override { values[std::u16string(key)] = value; }
};

class ProfileManagerVk : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Keyboard().Attach());
        ASSERT_TRUE(Keyboard().ResetMemory());
        ASSERT_TRUE(Keyboard().ClearFaults());
        ASSERT_TRUE(Keyboard().SetProfile(0));
        ClearDeviceProfileCache();
        host_.flows = &flows_;
        flows_.LoadOnAttach();
    }
    static int Rows(HWND dialog) { return ListView_GetItemCount(GetDlgItem(dialog, IDC_PROFILE_LIST)); }
    static void ClickRow(HWND dialog, int row) {
        HWND list = GetDlgItem(dialog, IDC_PROFILE_LIST);
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    static bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

    kvtest::TestHost host_;
    kvtest::ScriptedDialogs dialogs_;
    MemoryListStore store_;
    CKelvane_DlgProfile manager_{host_, dialogs_, &store_};
    ProfileFlows flows_{host_, nullptr, &manager_, dialogs_};
};

TEST_F(ProfileManagerVk, ApplyStoresTheListAndSwitchesTheKeyboardToTheMarkedProfile) {
    const std::filesystem::path added = kvtest::TestEnvironment().scratch / "Added.kvp";
    dialogs_.files = {FileChoice{added.wstring(), 0}};
    kvtest::RunModalWith(manager_, [&](HWND d) {
        EXPECT_EQ(Rows(d), 3);
        EXPECT_FALSE(Enabled(d, IDC_PROFILE_APPLY));
        EXPECT_EQ(manager_.OpenCount(), 1);
        Click(d, IDC_PROFILE_ADD);
        EXPECT_EQ(Rows(d), 4);
        EXPECT_TRUE(Enabled(d, IDC_PROFILE_APPLY));
        EXPECT_TRUE(manager_.HasUnappliedChanges());
        ClickRow(d, 2);
        EXPECT_EQ(ListView_GetNextItem(GetDlgItem(d, IDC_PROFILE_LIST), -1, LVNI_SELECTED), 2);
        EXPECT_FALSE(Enabled(d, IDC_PROFILE_DELETE)) << "the keyboard's own profiles stay";
        Click(d, IDC_PROFILE_APPLY);
        EXPECT_FALSE(Enabled(d, IDC_PROFILE_APPLY));
        EXPECT_FALSE(manager_.HasUnappliedChanges());
    });
    EXPECT_EQ(manager_.OpenCount(), 0);
    EXPECT_EQ(ValidateProfileFile(added).code, kValidateOk) << "Add makes a default profile data file";
    EXPECT_EQ(store_.values[u"PROFILE00"], u"4");
    EXPECT_EQ(store_.values[u"PROFILE04"], added.u16string());
    EXPECT_EQ(store_.values[u"PROFILE01"], WorkingFile().u16string()) << "the working file's own name";
    EXPECT_EQ(kvtest::Memory("info")[kInfoProfileOffset], 2);
    EXPECT_EQ(host_.selected, std::vector<int>{2});
    EXPECT_TRUE(dialogs_.told.empty());
    EXPECT_FALSE(host_.IsDirty());

    // Opened again, the stored list comes back with the keyboard's profile marked.
    kvtest::RunModalWith(manager_, [&](HWND d) {
        EXPECT_EQ(Rows(d), 4);
        ClickRow(d, 3);  // a file beyond the keyboard's three: selected, never marked
        EXPECT_TRUE(Enabled(d, IDC_PROFILE_DELETE));
        Click(d, IDOK);  // applies, then ends
    });
    EXPECT_EQ(kvtest::Memory("info")[kInfoProfileOffset], 2);
    EXPECT_EQ(host_.selected, std::vector<int>{2});
}

TEST_F(ProfileManagerVk, LoadKeepsFilesThatAreNotProfileDataOut) {
    const std::filesystem::path bad = kvtest::TestEnvironment().scratch / "bad.kvp";
    std::vector<uint8_t> bytes(kAssignmentTableSize, 0);
    ASSERT_TRUE(WriteFileReplacing(bad, bytes));
    const std::filesystem::path good = kvtest::TestEnvironment().scratch / "good.kvp";
    ASSERT_TRUE(CreateDefaultProfileFile(good));
    dialogs_.files = {FileChoice{bad.wstring(), 0}, FileChoice{good.wstring(), 0}};
    kvtest::RunModalWith(manager_, [&](HWND d) {
        Click(d, IDC_PROFILE_LOAD);
        EXPECT_EQ(Rows(d), 3);
        EXPECT_FALSE(Enabled(d, IDC_PROFILE_APPLY));
        Click(d, IDC_PROFILE_LOAD);
        EXPECT_EQ(Rows(d), 4);
        Click(d, IDC_PROFILE_DELETE);
        EXPECT_EQ(Rows(d), 3);
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(dialogs_.told, (std::vector<std::wstring>{TextWith("PROFILE_FORMAT_ERROR", bad.wstring()), Text("MAIN_PROMPT_INPORT")}));
    EXPECT_TRUE(store_.values.empty()) << "Cancel stores nothing";
}

// Load takes profile data in either form, told by the file's bytes, and the list keeps each file's own name.
TEST_F(ProfileManagerVk, LoadTakesBothFormsAndTheListKeepsTheirOwnNames) {
    const std::filesystem::path json = kvtest::TestEnvironment().scratch / "Exported.json";
    ASSERT_TRUE(ExportProfile(json, TheProfileData()));
    const std::filesystem::path renamed = kvtest::TestEnvironment().scratch / "Exported json.kvp";
    ASSERT_TRUE(CopyFileW(json.c_str(), renamed.c_str(), FALSE));
    dialogs_.files = {FileChoice{json.wstring(), 1}, FileChoice{renamed.wstring(), 0}};
    kvtest::RunModalWith(manager_, [&](HWND d) {
        Click(d, IDC_PROFILE_LOAD);
        Click(d, IDC_PROFILE_LOAD);
        EXPECT_EQ(Rows(d), 5);
        Click(d, IDC_PROFILE_APPLY);
        Click(d, IDCANCEL);
    });
    EXPECT_TRUE(dialogs_.told.empty()) << (dialogs_.told.empty() ? "" : std::string(dialogs_.told[0].begin(), dialogs_.told[0].end()));
    ASSERT_FALSE(dialogs_.requests.empty());
    const auto& filters = dialogs_.requests.back().filters;
    EXPECT_TRUE(std::any_of(filters.begin(), filters.end(), [](const FileFilter& f) { return f.pattern == L"*.json"; }))
        << "the dialog offers the JSON form";
    EXPECT_EQ(store_.values[u"PROFILE00"], u"5");
    EXPECT_EQ(store_.values[u"PROFILE04"], json.u16string());
    EXPECT_EQ(store_.values[u"PROFILE05"], renamed.u16string());
    EXPECT_EQ(store_.values[u"PROFILE01"], WorkingFile().u16string());
}

TEST_F(ProfileManagerVk, ASwitchFromTheWindowMarksTheRowWhenNothingIsUnapplied) {
    kvtest::RunModalWith(manager_, [&](HWND d) {
        EXPECT_EQ(flows_.SwitchProfile(1), 1);
        std::wstring mark(8, L'\0');
        ListView_GetItemText(GetDlgItem(d, IDC_PROFILE_LIST), 1, 0, mark.data(), 8);
        EXPECT_FALSE(mark.c_str()[0] == L'\0');
        Click(d, IDCANCEL);
    });
}

// Apply with key edits waiting, answered Yes, whose write fails: nothing is read over the edits, in memory
// or in the working file, and both Apply buttons stay offered.
TEST_F(ProfileManagerVk, AFailedWriteOfWaitingEditsKeepsThemAndReloadsNothing) {
    ProfileData& data = TheProfileData();
    ASSERT_TRUE(StoreAssignment(data, 0, static_cast<unsigned>(KeyIndexOf(0x01E)), ASSIGN_DISABLED, 0, 0));
    ASSERT_TRUE(SaveProfileFile(WorkingFile(), data));
    std::vector<uint8_t> fileBefore;
    ASSERT_TRUE(ReadWholeFile(WorkingFile(), fileBefore));
    ProfileContent edited;
    {
        std::lock_guard<std::mutex> hold(data.lock);
        edited = data.content;
    }
    host_.SetDirty(true);
    dialogs_.answers = {true};  // apply the edits first
    kvtest::RunModalWith(manager_, [&](HWND d) {
        ClickRow(d, 1);
        ASSERT_TRUE(Keyboard().RefuseWrites(qvx::ControlClient::kAlways));
        Click(d, IDC_PROFILE_APPLY);
        ASSERT_TRUE(Keyboard().ClearFaults());
        EXPECT_TRUE(Enabled(d, IDC_PROFILE_APPLY));
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(host_.applies, 1);
    EXPECT_TRUE(host_.IsDirty());
    EXPECT_TRUE(host_.selected.empty()) << "no switch after a failed write";
    {
        std::lock_guard<std::mutex> hold(data.lock);
        EXPECT_TRUE(data.content == edited);
    }
    std::vector<uint8_t> fileAfter;
    ASSERT_TRUE(ReadWholeFile(WorkingFile(), fileAfter));
    EXPECT_EQ(fileAfter, fileBefore);
    EXPECT_TRUE(store_.values.empty()) << "the list is not stored either";
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// For looking at the dialogs: each stays on screen for KV_SHOW_SECONDS (run with
// --gtest_also_run_disabled_tests --gtest_filter=*ShowDialogs and take screenshots meanwhile).
TEST(ProfileDialogsOnScreen, DISABLED_ShowDialogs) {
    char value[16] = {};
    const int seconds = GetEnvironmentVariableA("KV_SHOW_SECONDS", value, sizeof value) ? std::atoi(value) : 5;
    ASSERT_TRUE(Keyboard().Attach());
    kvtest::TestHost host;
    kvtest::ScriptedDialogs dialogs;
    MemoryListStore store;
    CKelvane_DlgProfile manager(host, dialogs, &store);
    ProfileFlows flows(host, nullptr, &manager, dialogs);
    host.flows = &flows;
    flows.LoadOnAttach();
    store.values = {{u"PROFILE00", u"5"}, {u"PROFILE01", u"C:\\Users\\me\\AppData\\Local\\Halvorn\\$Profile0.kvp"},
                    {u"PROFILE02", u"C:\\Users\\me\\AppData\\Local\\Halvorn\\$Profile0.kvp"},
                    {u"PROFILE03", u"C:\\Users\\me\\AppData\\Local\\Halvorn\\$Profile0.kvp"},
                    {u"PROFILE04", u"D:\\Games\\Shooter.kvp"}, {u"PROFILE05", u"D:\\Games\\Strategy macros.kvp"}};
    kvtest::RunModalWith(manager, [&](HWND d) {
        SetWindowPos(d, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        Sleep(static_cast<DWORD>(seconds) * 1000);
    });
    UpdaterPath() = L"C:\\Package\\Updater-V0104.exe";
    CKelvane_DlgUpdate update(host, dialogs);
    kvtest::RunModalWith(update, [&](HWND d) {
        SetWindowPos(d, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        Sleep(static_cast<DWORD>(seconds) * 1000);
    });
}

}  // namespace
}  // namespace kv
