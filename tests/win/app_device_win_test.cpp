// Kelvane.exe end to end with the virtual keyboard's events: detach, G-key bank, busy states, firmware
// version offer, and the About box from the notification-area menu.
#include <gtest/gtest.h>

#include <cwchar>
#include <thread>

#include "app/app_messages.h"
#include "app/single_instance_win.h"
#include "app_session_win.h"
#include "device/firmware_check.h"
#include "kv_version.h"
#include "skin/language.h"
#include "ui/resource_ids.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

std::vector<std::vector<uint8_t>> IndicatorReports(const AppSession& s) {
    std::vector<std::vector<uint8_t>> reports;
    EXPECT_TRUE(s.Vk().Reports("indicator:", reports));
    return reports;
}

std::wstring ControlText(HWND window, int id) { return WindowText(GetDlgItem(window, id)); }

// The firmware offer's caption and text in the language the program speaks.
std::wstring OfferCaption() { return kv::LookupText(kv::kFirmwareTooLowCaptionKey, kv::GetLanguageIndex()); }
std::wstring OfferText() { return kv::LookupText(kv::kFirmwareTooLowKey, kv::GetLanguageIndex()); }

TEST(AppDevice, DetachHidesTheWindowAndShowsTheNoKeyboardPicture) {
    AppSession s("detach");
    s.Launch(L"");
    ASSERT_TRUE(s.WaitInitialised());
    ASSERT_TRUE(WaitFor([&] { return s.MainVisible(); }));
    // Enter and Escape neither close nor hide the window, on the window or on one of its buttons.
    for (HWND target : {s.MainWindow(), GetDlgItem(s.MainWindow(), IDC_PROFILE1)}) {
        for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
            PostMessageW(target, WM_KEYDOWN, key, 1);
            PostMessageW(target, WM_KEYUP, key, 0xC0000001);
        }
    }
    ASSERT_TRUE(SettleWindow(s.MainWindow()));
    EXPECT_TRUE(s.MainVisible());
    ASSERT_TRUE(s.Vk().Detach());
    EXPECT_TRUE(WaitFor([&] { return !s.MainVisible(); }));
    EXPECT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconNoKeyboard; }));
    // Re-attached: the picture follows, the window stays hidden until the user opens it.
    ASSERT_TRUE(s.Vk().Attach());
    EXPECT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }));
    ASSERT_TRUE(SettleWindow(s.MainWindow(), 3));
    EXPECT_FALSE(s.MainVisible());
    PostMessageW(s.MainWindow(), WM_COMMAND, MAKEWPARAM(ID_TRAY_OPEN, 0), 0);
    EXPECT_TRUE(WaitFor([&] { return s.MainVisible(); }));
}

TEST(AppDevice, UnreadableDefaultKeyTableIsReportedAndAttachGoesOn) {
    AppSession s("default-table-unreadable", /*attached=*/false);
    s.Launch(L"");
    ASSERT_TRUE(s.WaitInitialised());
    ASSERT_TRUE(s.Vk().FailStatus(0xFE, qvx::ControlClient::kAlways));
    ASSERT_TRUE(s.Vk().Attach());
    HWND box = s.WaitMessageBox(L"Kelvane", 20s);  // three attempts of the first chunk
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), kv::LookupText("MAIN_DEFAULT_MATRIX_PROMPT", kv::GetLanguageIndex()));
    ASSERT_TRUE(s.Vk().ClearFaults());
    // The attach handling goes on while the box waits for the user, and so does a detach that follows.
    EXPECT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }, 20s));
    ASSERT_TRUE(s.Vk().Detach());
    EXPECT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconNoKeyboard; }));
    EXPECT_FALSE(s.MainVisible());
    EXPECT_NE(s.FindMessageBox(L"Kelvane"), nullptr);  // still open
    Answer(box, IDOK);
    EXPECT_TRUE(WaitFor([&] { return s.FindMessageBox(L"Kelvane") == nullptr; }));
    EXPECT_EQ(s.TrayPicture(), kv::kIconNoKeyboard);
}

TEST(AppDevice, BankSwitchWritesTheIndicatorAndRenamesTheGKeys) {
    AppSession s("bank");
    s.Launch(L"/Start");
    ASSERT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }, 30s));
    HWND main = s.MainWindow();
    ASSERT_TRUE(s.Vk().ClearLog());
    ASSERT_TRUE(s.Vk().SwitchBank());
    ASSERT_TRUE(WaitFor([&] { return IndicatorReports(s).size() == 1; }));
    EXPECT_EQ(IndicatorReports(s)[0], (std::vector<uint8_t>{0x05, 0x03}));
    // The captions change one after the other on the window's thread: wait for the last one.
    EXPECT_TRUE(WaitFor([&] { return ControlText(main, IDC_G5) == L"B5"; }));
    EXPECT_EQ(ControlText(main, IDC_G1), L"B1");
    EXPECT_EQ(ControlText(main, IDC_G6), L"G6");
    ASSERT_TRUE(s.Vk().SwitchBank());
    ASSERT_TRUE(WaitFor([&] { return IndicatorReports(s).size() == 2; }));
    EXPECT_EQ(IndicatorReports(s)[1], (std::vector<uint8_t>{0x05, 0x02}));
    EXPECT_TRUE(WaitFor([&] { return ControlText(main, IDC_G5) == L"A5"; }));
    EXPECT_EQ(ControlText(main, IDC_G3), L"A3");
    // Codes the program does not act on change nothing: a bank switch sent after them takes the same way,
    // and once it has arrived, they have too.
    for (uint16_t code : {0x1801, 0x1802, 0x1803, 0x1804}) ASSERT_TRUE(s.Vk().Consumer(code));
    EXPECT_EQ(s.TrayPicture(), kv::kIconAttached);
    ASSERT_TRUE(s.Vk().SwitchBank());
    ASSERT_TRUE(WaitFor([&] { return IndicatorReports(s).size() >= 3; }));
    EXPECT_TRUE(WaitFor([&] { return ControlText(main, IDC_G5) == L"B5"; }));
    EXPECT_EQ(IndicatorReports(s).size(), 3u);
    EXPECT_EQ(IndicatorReports(s)[2], (std::vector<uint8_t>{0x05, 0x03}));
    EXPECT_EQ(s.TrayPicture(), kv::kIconAttached);
}

TEST(AppDevice, BusyPictureReturnsToTheAttachPicture) {
    AppSession s("busy");
    s.Launch(L"/Start");
    ASSERT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }, 30s));
    struct Step {
        const char* what;
        std::function<bool()> act;
        unsigned picture;
    } steps[] = {
        {"busy on", [&] { return s.Vk().Busy(true); }, kv::kIconBusy},
        {"busy off", [&] { return s.Vk().Busy(false); }, kv::kIconAttached},
        {"busy on again", [&] { return s.Vk().Busy(true); }, kv::kIconBusy},
        {"detach while busy", [&] { return s.Vk().Detach(); }, kv::kIconNoKeyboard},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE(step.act());
        EXPECT_TRUE(WaitFor([&] { return s.TrayPicture() == step.picture; }, 5s));
    }
    // The keyboard sends nothing while detached; the busy end arriving later keeps the detached picture.
    // Attach, so the end of the busy state can be sent, and the picture follows the attach state.
    ASSERT_TRUE(s.Vk().Attach());
    EXPECT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }));
    ASSERT_TRUE(s.Vk().Busy(false));
    // A bank switch sent after the busy end arrives after it.
    const auto indicators = IndicatorReports(s).size();
    ASSERT_TRUE(s.Vk().SwitchBank());
    ASSERT_TRUE(WaitFor([&] { return IndicatorReports(s).size() > indicators; }));
    ASSERT_TRUE(SettleWindow(s.MainWindow()));
    EXPECT_EQ(s.TrayPicture(), kv::kIconAttached);
}

TEST(AppDevice, FirmwareOfferFollowsTheVersion) {
    struct Case {
        uint16_t version;
        bool offered;
    } cases[] = {{0x0102, true}, {0x0103, false}, {0x0104, false}, {0x0000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        AppSession s("firmware-" + std::to_string(c.version), /*attached=*/false);
        const Launched p = s.Launch(L"");
        ASSERT_TRUE(s.WaitInitialised());
        ASSERT_TRUE(s.Vk().SetFirmware(c.version));
        // A no-keyboard start used up the first-attach offer; a second start asks the window to open.
        ASSERT_TRUE(s.Vk().Attach());
        ASSERT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }, 30s));
        const Launched second = s.Launch(L"");
        HWND box = s.WaitMessageBox(OfferCaption(), c.offered ? 10s : 1500ms);
        EXPECT_EQ(box != nullptr, c.offered);
        if (box != nullptr) {
            EXPECT_EQ(MessageBoxText(box), OfferText());
            EXPECT_TRUE(s.MainVisible());  // shown before the offer
            Answer(box, IDOK);             // the package is not there; the program keeps running
        }
        EXPECT_EQ(s.WaitExit(second), 0u);
        EXPECT_EQ(s.WaitExit(p, 300ms), static_cast<DWORD>(STILL_ACTIVE));
    }
}

// A program folder of its own whose "Help" folder holds an upgrade package: the daemon program under the
// package's name, which stays running as long as the program does, so its start can be seen.
std::wstring ProgramFolderWithPackage(const AppSession& s) {
    const std::wstring folder = s.ScratchFolder(L"program");
    CreateDirectoryW((folder + L"\\Skins").c_str(), nullptr);
    CreateDirectoryW((folder + L"\\Help").c_str(), nullptr);
    auto copy = [](const std::wstring& from, const std::wstring& to, const std::wstring& pattern) {
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((from + L"\\" + pattern).c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                CopyFileW((from + L"\\" + fd.cFileName).c_str(), (to + L"\\" + fd.cFileName).c_str(), FALSE);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    };
    for (const wchar_t* pattern : {L"Kelvane.exe", L"Quorvex.dll", L"Lang*.ini"}) copy(BinFolder(), folder, pattern);
    copy(BinFolder() + L"\\Skins", folder + L"\\Skins", L"*");
    CopyFileW((BinFolder() + L"\\Tirvane.exe").c_str(), (folder + L"\\Help\\" + kv::kUpgradePackageName).c_str(), FALSE);
    return folder;
}

TEST(AppDevice, AcceptingTheFirmwareOfferStartsTheUpgradePackage) {
    AppSession s("firmware-package", /*attached=*/false);
    const Launched p = s.Launch(L"", ProgramFolderWithPackage(s));
    ASSERT_TRUE(s.WaitInitialised());
    ASSERT_TRUE(s.Vk().SetFirmware(0x0102));
    ASSERT_TRUE(s.Vk().Attach());
    ASSERT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }, 30s));
    EXPECT_EQ(kv::FindRunningInstance(kv::kUpgradePackageName), 0u);
    PostMessageW(s.MainWindow(), kv::MSG_OPEN, kv::TAG_OPEN, 0);
    HWND box = s.WaitMessageBox(OfferCaption());
    ASSERT_NE(box, nullptr);
    Answer(box, IDOK);
    EXPECT_TRUE(WaitFor([&] { return kv::FindRunningInstance(kv::kUpgradePackageName) != 0; }));
    EXPECT_EQ(s.WaitExit(p, 300ms), static_cast<DWORD>(STILL_ACTIVE));
}

TEST(AppDevice, DecliningTheFirmwareOfferEndsTheProgram) {
    AppSession s("firmware-declined", /*attached=*/false);
    const Launched p = s.Launch(L"");
    ASSERT_TRUE(s.WaitInitialised());
    ASSERT_TRUE(s.Vk().SetFirmware(0x0102));
    // Detach and attach do not count as the first attach here; the version check comes with MSG_OPEN.
    ASSERT_TRUE(s.Vk().Attach());
    ASSERT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }, 30s));
    PostMessageW(s.MainWindow(), kv::MSG_OPEN, kv::TAG_OPEN, 0);
    HWND box = s.WaitMessageBox(OfferCaption());
    ASSERT_NE(box, nullptr);
    Answer(box, IDCANCEL);
    EXPECT_EQ(s.WaitExit(p), 0u);
}

TEST(AppDevice, FirstAttachOffersTheFirmwareUpdate) {
    AppSession s("firmware-first-attach");
    // The virtual keyboard remembers its firmware in its state file: set it, then start with it attached.
    {
        const Launched setup = s.Launch(L"/Start");
        ASSERT_TRUE(s.WaitInitialised());
        ASSERT_TRUE(s.Vk().SetFirmware(0x0102));
        ASSERT_TRUE(s.Vk().Save());
        PostMessageW(s.MainWindow(), kv::MSG_KILL, kv::TAG_KILL, 0);
        ASSERT_EQ(s.WaitExit(setup), 0u);
    }
    const Launched p = s.Launch(L"");
    HWND box = s.WaitMessageBox(OfferCaption(), 30s);  // a whole start-up on a busy machine
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(s.MainVisible());
    Answer(box, IDCANCEL);
    EXPECT_EQ(s.WaitExit(p), 0u);
}

// The offer speaks the language the user chose, like every other text of the program.
TEST(AppDevice, TheFirmwareOfferSpeaksTheChosenLanguage) {
    struct ChosenLanguage {
        explicit ChosenLanguage(DWORD id) {
            DWORD size = sizeof before;
            had = RegGetValueW(HKEY_CURRENT_USER, L"Software\\Halvorn", L"dwLanguageId", RRF_RT_REG_DWORD, nullptr,
                               &before, &size) == ERROR_SUCCESS;
            RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Halvorn", L"dwLanguageId", REG_DWORD, &id, sizeof id);
        }
        ~ChosenLanguage() {
            if (had) RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Halvorn", L"dwLanguageId", REG_DWORD, &before, sizeof before);
            else RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Halvorn", L"dwLanguageId");
        }
        DWORD before = 0;
        bool had = false;
    } french(0x040C);
    ASSERT_EQ(kv::GetLanguageId(), 0x040C);
    const std::wstring caption = OfferCaption(), text = OfferText();
    ASSERT_FALSE(caption.empty());
    ASSERT_NE(text, kv::LookupText(kv::kFirmwareTooLowKey, 0)) << "the French text is the English one";
    AppSession s("firmware-french", /*attached=*/false);
    const Launched p = s.Launch(L"");
    ASSERT_TRUE(s.WaitInitialised());
    ASSERT_TRUE(s.Vk().SetFirmware(0x0102));
    ASSERT_TRUE(s.Vk().Attach());
    ASSERT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }, 30s));
    PostMessageW(s.MainWindow(), kv::MSG_OPEN, kv::TAG_OPEN, 0);
    HWND box = s.WaitMessageBox(caption);
    ASSERT_NE(box, nullptr) << "no offer captioned in French";
    EXPECT_EQ(MessageBoxText(box), text);
    Answer(box, IDCANCEL);
    EXPECT_EQ(s.WaitExit(p), 0u);
}

TEST(AppDevice, AboutBoxOpensOnceAndClosesOnDetach) {
    AppSession s("about");
    s.Launch(L"/Start");
    ASSERT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }, 30s));
    for (int i = 0; i < 2; ++i) PostMessageW(s.MainWindow(), WM_COMMAND, MAKEWPARAM(ID_TRAY_ABOUT, 0), 0);
    PostMessageW(s.MainWindow(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    ASSERT_TRUE(WaitFor([&] { return s.OtherDialogs().size() == 1; }));
    ASSERT_TRUE(SettleWindow(s.MainWindow()));
    EXPECT_EQ(s.OtherDialogs().size(), 1u);
    // Its hyperlink shows the skin's link text.
    wchar_t link[260] = {};
    GetPrivateProfileStringW(L"SCREEN", L"Link", L"", link, 260, (BinFolder() + L"\\Skins\\Main.ini").c_str());
    ASSERT_NE(link[0], 0);
    EXPECT_EQ(WindowText(GetDlgItem(s.OtherDialogs().front(), IDC_ABOUT_LINK)), link);
    // and the product version, after the language's word for it.
    const std::wstring version = WindowText(GetDlgItem(s.OtherDialogs().front(), IDC_ABOUT_VERSION));
    EXPECT_TRUE(version.size() > wcslen(KV_VERSION_W) && version.ends_with(std::wstring(L" ") + KV_VERSION_W))
        << std::string(version.begin(), version.end());
    ASSERT_TRUE(s.Vk().Detach());
    EXPECT_TRUE(WaitFor([&] { return s.OtherDialogs().empty(); }));
}

}  // namespace
}  // namespace kvtest
