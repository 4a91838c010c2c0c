// Kelvane.exe's profile manager and firmware update dialog end to end, through the real main
// window with the virtual keyboard.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "app/app_messages.h"
#include "app_session_win.h"
#include "device/commands.h"
#include "skin/language.h"
#include "ui/resource_ids.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

std::wstring Text(const char* key) { return kv::LookupText(key, kv::GetLanguageIndex()); }

std::vector<uint8_t> Commands(const AppSession& s) {
    std::vector<std::vector<uint8_t>> reports;
    EXPECT_TRUE(s.Vk().Reports("vendor:", reports));
    std::vector<uint8_t> commands;
    for (const auto& r : reports)
        if (r.size() > 3) commands.push_back(r[3]);
    return commands;
}

void Post(HWND window, int id) { PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

// The session's dialog with that caption, once it shows.
HWND WaitDialog(const AppSession& s, const std::wstring& caption) {
    HWND found = nullptr;
    WaitFor([&] {
        for (HWND d : s.OtherDialogs())
            if (WindowText(d) == caption) found = d;
        return found != nullptr;
    });
    return found;
}

struct Shown {
    explicit Shown(const std::string& name) : s(name) {
        s.Launch(L"/Start");
        EXPECT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }, 30s));
        main = s.MainWindow();
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(ID_TRAY_OPEN, 0), 0);
        EXPECT_TRUE(WaitFor([&] { return s.MainVisible(); }));
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(s.Vk().ClearLog());
    }
    AppSession s;
    HWND main = nullptr;
};

TEST(AppProfiles, TheUpdateDialogRefusesAnEmptyUpdaterPathAndSendsNothing) {
    Shown w("update-dialog");
    Post(w.main, ID_MENU_UPDATE);
    HWND dialog = WaitDialog(w.s, Text("UPDATE_TITLE"));
    ASSERT_NE(dialog, nullptr);
    Post(dialog, IDC_UPDATE_BUTTON);
    HWND box = w.s.WaitMessageBox(Text("MAIN_CAPTION"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), Text("UPDATE_ERROR_FILE"));
    Answer(box, IDOK);
    EXPECT_TRUE(Commands(w.s).empty());
    Post(dialog, IDC_UPDATE_CANCEL);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
}

TEST(AppProfiles, TheProfileManagerListsTheKeyboardsProfilesAndSwitchesOnApply) {
    Shown w("profile-manager");
    Post(w.main, IDC_FUNC_PROFILES);
    HWND dialog = WaitDialog(w.s, Text("PROFILE_MANAGER_TITLE"));
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, IDC_PROFILE_LIST);
    EXPECT_EQ(ListView_GetItemCount(list), 3);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_PROFILE_APPLY)));
    // Choosing the third row (End) marks it; OK applies, which switches the keyboard and the window's
    // profile buttons.
    PostMessageW(list, WM_KEYDOWN, VK_END, 0);
    PostMessageW(list, WM_KEYUP, VK_END, 0);
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(dialog, IDC_PROFILE_APPLY)) != FALSE; }));
    Post(dialog, IDOK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 20s));
    std::vector<uint8_t> info;
    ASSERT_TRUE(w.s.Vk().Dump("info", info));
    EXPECT_EQ(info[kv::kInfoProfileOffset], 2);
    EXPECT_TRUE(WaitFor([&] { return SendDlgItemMessageW(w.main, IDC_PROFILE3, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
}

}  // namespace
}  // namespace kvtest
