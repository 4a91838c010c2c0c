// The firmware update dialog against the virtual keyboard: Update without an updater sends nothing; with
// one, the keyboard goes into boot mode, the updater starts and the path is emptied; backup writes a file.
#include <gtest/gtest.h>

#include "device/commands.h"
#include "device/update_dialog_win.h"
#include "macros/profile_data.h"
#include "profile_test_host_win.h"
#include "profiles/profile_exchange.h"
#include "ui/resource_ids.h"

namespace kv {
namespace {

using kvtest::Click;
using kvtest::Keyboard;

class UpdateDialogVk : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Keyboard().Attach());  // also ends boot mode
        ASSERT_TRUE(Keyboard().ClearFaults());
        ASSERT_TRUE(Keyboard().ClearLog());
        UpdaterPath().clear();
    }
    void TearDown() override { (void)Keyboard().Attach(); }
    static std::string BootMode() {
        std::string value;
        EXPECT_TRUE(Keyboard().StatusValue("boot-mode", value));
        return value;
    }
    // A program every system has that starts and ends at once.
    static std::wstring HarmlessProgram() {
        wchar_t folder[MAX_PATH] = {};
        GetSystemDirectoryW(folder, MAX_PATH);
        return std::wstring(folder) + L"\\hostname.exe";
    }

    kvtest::TestHost host_;
    kvtest::ScriptedDialogs dialogs_;
    CKelvane_DlgUpdate dialog_{host_, dialogs_};
};

TEST_F(UpdateDialogVk, UpdateWithoutAnUpdaterShowsItsMessageAndSendsNothing) {
    kvtest::RunModalWith(dialog_, [&](HWND d) {
        Click(d, IDC_UPDATE_BUTTON);
        EXPECT_TRUE(IsWindow(d));
    });
    EXPECT_EQ(dialogs_.told, std::vector<std::wstring>{Text("UPDATE_ERROR_FILE")});
    EXPECT_TRUE(kvtest::VendorCommands().empty());
    EXPECT_EQ(BootMode(), "no");
}

TEST_F(UpdateDialogVk, AStartedUpdaterPutsTheKeyboardInBootModeAndEmptiesThePath) {
    const std::wstring updater = HarmlessProgram();
    if (GetFileAttributesW(updater.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no hostname.exe";
    dialogs_.files = {FileChoice{updater, 0}};
    const INT_PTR result = kvtest::RunModalWith(dialog_, [&](HWND d) {
        Click(d, IDC_UPDATE_OPEN);
        wchar_t shown[MAX_PATH] = {};
        GetDlgItemTextW(d, IDC_UPDATE_PATH, shown, MAX_PATH);
        EXPECT_EQ(std::wstring(shown), updater);
        Click(d, IDC_UPDATE_BUTTON);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(dialogs_.told.empty());
    EXPECT_EQ(dialogs_.requests.at(0).filters.at(0).pattern, L"*.exe");
    EXPECT_EQ(kvtest::VendorCommands(), std::vector<uint8_t>{CMD_ENTER_BOOT});
    EXPECT_EQ(BootMode(), "yes");
    EXPECT_TRUE(UpdaterPath().empty());

    // Once more: the path is empty, so the file message comes and nothing more is sent.
    ASSERT_TRUE(Keyboard().Attach());
    ASSERT_TRUE(Keyboard().ClearLog());
    kvtest::RunModalWith(dialog_, [&](HWND d) { Click(d, IDC_UPDATE_BUTTON); });
    EXPECT_EQ(dialogs_.told, std::vector<std::wstring>{Text("UPDATE_ERROR_FILE")});
    EXPECT_TRUE(kvtest::VendorCommands().empty());
}

TEST_F(UpdateDialogVk, ARefusedBootRequestKeepsTheDialogAndThePath) {
    const std::wstring updater = HarmlessProgram();
    if (GetFileAttributesW(updater.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no hostname.exe";
    UpdaterPath() = updater;
    ASSERT_TRUE(Keyboard().Detach());
    kvtest::RunModalWith(dialog_, [&](HWND d) {
        Click(d, IDC_UPDATE_BUTTON);
        EXPECT_TRUE(IsWindow(d));
        EXPECT_EQ(UpdaterPath(), std::filesystem::path(updater));
    });
    EXPECT_EQ(dialogs_.told, std::vector<std::wstring>{Text("UPDATE_ERROR_BOOT")});
    EXPECT_TRUE(UpdaterPath().empty()) << "closing the dialog is Cancel, which empties the path";
}

TEST_F(UpdateDialogVk, CancelEmptiesThePathAndBackupWritesTheProfileData) {
    UpdaterPath() = HarmlessProgram();
    const std::filesystem::path backup = kvtest::TestEnvironment().scratch / "backup.kvp";
    dialogs_.files = {FileChoice{backup.wstring(), 0}, FileChoice{(kvtest::TestEnvironment().scratch / "no" / "x.kvp").wstring(), 0}};
    const INT_PTR result = kvtest::RunModalWith(dialog_, [&](HWND d) {
        Click(d, IDC_UPDATE_BACKUP);
        Click(d, IDC_UPDATE_BACKUP);
        Click(d, IDC_UPDATE_CANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(UpdaterPath().empty());
    EXPECT_EQ(dialogs_.told, (std::vector<std::wstring>{Text("UPDATE_BACKUP_OK"), Text("UPDATE_BACKUP_FAILED")}));
    ProfileContent back;
    ASSERT_EQ(ReadProfileForImport(backup, back).code, kValidateOk);
    std::lock_guard<std::mutex> hold(TheProfileData().lock);
    EXPECT_EQ(back.macros, TheProfileData().content.macros);
}

// The file menu's item of the dialog shows the language text whenever the menu opens.
TEST(UpdateDialogMenu, TheMenuItemTakesItsLanguageText) {
    kvtest::TestHost host;
    const std::unique_ptr<ModalDialogPart> part = MakeUpdateDialog(host);
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_FILE_MENU));
    ASSERT_NE(menu, nullptr);
    HMENU popup = GetSubMenu(menu, 0);
    SendMessageW(host.Window(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    wchar_t text[128] = {};
    GetMenuStringW(popup, ID_MENU_UPDATE, text, 128, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(text), Text("MENU_UPDATE"));
    DestroyMenu(menu);
}

}  // namespace
}  // namespace kv
