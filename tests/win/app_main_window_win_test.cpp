// Kelvane.exe's main window end to end with the virtual keyboard: the report-rate and profile buttons, Apply
// and its write-out, the keyboard picture's targets, Enter and Escape, Flip, a bank switch in the middle of
// a write-out, and the skin's pictures on screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "app/app_messages.h"
#include "app_session_win.h"
#include "device/commands.h"
#include "skin/language.h"
#include "skin/picture.h"
#include "ui/keyboard_picture_win.h"
#include "ui/resource_ids.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kCommand = 3, kLength = 4, kOffset = 5, kPayload = 8;

std::vector<uint8_t> Commands(const AppSession& s) {
    std::vector<uint8_t> commands;
    for (const auto& r : VendorReports(s))
        if (r.size() > kCommand) commands.push_back(r[kCommand]);
    return commands;
}

int Offset(const std::vector<uint8_t>& r) { return r[kOffset] | (r[kOffset + 1] << 8); }

void Click(HWND main, int id) { PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

bool Enabled(HWND main, int id) { return IsWindowEnabled(GetDlgItem(main, id)) != FALSE; }

TEST(AppMainWindow, ReportRateButtonWritesOneByteOfTheCurrentProfilesRecord) {
    ShownSession w("report-rate", /*keyboardProfile=*/1);
    Click(w.main, IDC_REPORT3);
    ASSERT_TRUE(WaitFor([&] { return Commands(w.s).size() >= 3; }));
    const auto reports = VendorReports(w.s);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0][kCommand], kv::CMD_BEGIN);
    EXPECT_EQ(reports[1][kCommand], kv::CMD_WRITE_LIGHTING);
    EXPECT_EQ(reports[1][kLength], 1);
    EXPECT_EQ(Offset(reports[1]), 57);  // profile 1 x 42 + 15
    EXPECT_EQ(reports[1][kPayload], 2);
    EXPECT_EQ(reports[2][kCommand], kv::CMD_END);
    std::vector<uint8_t> lighting;
    ASSERT_TRUE(w.s.Vk().Dump("lighting", lighting));
    ASSERT_GT(lighting.size(), 57u);
    EXPECT_EQ(lighting[57], 2);
    // The button shows the rate in use.
    EXPECT_EQ(SendDlgItemMessageW(w.main, IDC_REPORT3, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendDlgItemMessageW(w.main, IDC_REPORT1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST(AppMainWindow, TheCurrentProfilesButtonSendsNoProfileSwitch) {
    ShownSession w("profile-current", /*keyboardProfile=*/1);
    EXPECT_EQ(SendDlgItemMessageW(w.main, IDC_PROFILE2, BM_GETCHECK, 0, 0), BST_CHECKED);
    Click(w.main, IDC_PROFILE2);
    ASSERT_TRUE(SettleWindow(w.main));
    const auto commands = Commands(w.s);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), kv::CMD_WRITE_INFO), 0);
    std::vector<uint8_t> info;
    ASSERT_TRUE(w.s.Vk().Dump("info", info));
    EXPECT_EQ(info[kv::kInfoProfileOffset], 1);
    EXPECT_EQ(SendDlgItemMessageW(w.main, IDC_PROFILE2, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST(AppMainWindow, ApplyWritesKeyTablesAndMacrosAndARefusedWriteKeepsApplyEnabled) {
    ShownSession w("apply");
    EXPECT_FALSE(Enabled(w.main, IDC_APPLY));
    w.RestoreDefaults();
    ASSERT_TRUE(WaitFor([&] {
        const auto c = Commands(w.s);
        return !c.empty() && c.back() == kv::CMD_END;
    }, 20s));
    EXPECT_TRUE(WaitFor([&] { return !Enabled(w.main, IDC_APPLY); }));
    // One bracket: the macro area, then the three key table blocks; the keyboard's memory holds them.
    const auto reports = VendorReports(w.s);
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.front()[kCommand], kv::CMD_BEGIN);
    std::vector<uint8_t> macros;
    std::array<std::vector<uint8_t>, 3> tables;
    for (const auto& r : reports) {
        const std::vector<uint8_t> payload(r.begin() + kPayload, r.begin() + kPayload + r[kLength]);
        if (r[kCommand] == kv::CMD_WRITE_MACROS) macros.insert(macros.end(), payload.begin(), payload.end());
        if (r[kCommand] == kv::CMD_WRITE_KEYTABLE) {  // profile P's block lies at P x 378
            const std::size_t profile = static_cast<std::size_t>(Offset(r)) / kv::kKeyTableSize;
            ASSERT_LT(profile, 3u);
            tables[profile].insert(tables[profile].end(), payload.begin(), payload.end());
        }
    }
    EXPECT_FALSE(macros.empty());
    for (int p = 0; p < 3; ++p) {
        SCOPED_TRACE(p);
        ASSERT_EQ(tables[static_cast<std::size_t>(p)].size(), kv::kKeyTableSize);
        std::vector<uint8_t> held;
        ASSERT_TRUE(w.s.Vk().Dump("keytable " + std::to_string(p), held));
        EXPECT_EQ(held, tables[static_cast<std::size_t>(p)]);
    }
    std::vector<uint8_t> heldMacros;
    ASSERT_TRUE(w.s.Vk().Dump("macros " + std::to_string(macros.size()), heldMacros));
    EXPECT_EQ(heldMacros, macros);

    // The keyboard refuses the writes: the changes stay unapplied and Apply stays enabled.
    ASSERT_TRUE(w.s.Vk().RefuseWrites(qvx::ControlClient::kAlways));
    w.RestoreDefaults();
    std::this_thread::sleep_for(1500ms);
    EXPECT_TRUE(WaitFor([&] { return Enabled(w.main, IDC_APPLY); }));
    ASSERT_TRUE(w.s.Vk().ClearFaults());
    // Apply again with the keyboard answering: the changes arrive and Apply is disabled.
    Click(w.main, IDC_APPLY);
    EXPECT_TRUE(WaitFor([&] { return !Enabled(w.main, IDC_APPLY); }, 20s));
}

TEST(AppMainWindow, KeyboardPictureClicksTargetTheKeyOfTheBank) {
    ShownSession w("key-targets");
    auto target = [&] { return reinterpret_cast<uintptr_t>(GetPropW(w.main, kv::kKeyTargetProperty)); };
    // The key assignment dialog (when it exists) opens modally: close whatever opened.
    auto clickAndRead = [&](int id) {
        RemovePropW(w.main, kv::kKeyTargetProperty);
        Click(w.main, id);
        EXPECT_TRUE(WaitFor([&] { return target() != 0; }, 5s)) << id;
        const uintptr_t value = target();
        // The target is set before the dialog opens: wait for it rather than for a fixed time.
        EXPECT_TRUE(WaitFor([&] { return !w.s.OtherDialogs().empty(); }, 5s)) << id;
        for (HWND dialog : w.s.OtherDialogs()) PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_TRUE(WaitFor([&] { return w.s.OtherDialogs().empty(); }, 5s));
        return value;
    };
    EXPECT_EQ(clickAndRead(IDC_G3), 0x102u);
    EXPECT_EQ(clickAndRead(IDC_G8), 0x107u);  // G8 clears the macro flag
    EXPECT_EQ(clickAndRead(IDC_G9), 0x108u | kv::kKeyTargetMacroFlag);
    EXPECT_EQ(clickAndRead(IDC_FUNC_MACRO), 0x108u | kv::kKeyTargetMacroFlag);
    RemovePropW(w.main, kv::kKeyTargetProperty);
    Click(w.main, 1016);  // D1 is no key: nothing opens
    ASSERT_TRUE(SettleWindow(w.main));
    EXPECT_EQ(target(), 0u);
    EXPECT_TRUE(w.s.OtherDialogs().empty());
    ASSERT_TRUE(w.s.Vk().SwitchBank());
    ASSERT_TRUE(WaitFor([&] { return WindowText(GetDlgItem(w.main, IDC_G5)) == L"B5"; }));
    EXPECT_EQ(clickAndRead(IDC_G3), 0x10Bu);
    EXPECT_EQ(clickAndRead(IDC_G9), 0x111u | kv::kKeyTargetMacroFlag);
}

TEST(AppMainWindow, EnterAndEscapeNeitherCloseNorApply) {
    ShownSession w("enter-escape");
    // Unapplied changes: a refused write leaves Apply enabled.
    ASSERT_TRUE(w.s.Vk().RefuseWrites(qvx::ControlClient::kAlways));
    w.RestoreDefaults();
    ASSERT_TRUE(WaitFor([&] { return Enabled(w.main, IDC_APPLY); }, 20s));
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(w.s.Vk().ClearFaults());
    ASSERT_TRUE(w.s.Vk().ClearLog());
    for (HWND target : {w.main, GetDlgItem(w.main, IDC_APPLY), GetDlgItem(w.main, IDOK)}) {
        for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
            PostMessageW(target, WM_KEYDOWN, key, 1);
            PostMessageW(target, WM_KEYUP, key, 0xC0000001);
        }
    }
    ASSERT_TRUE(SettleWindow(w.main));
    EXPECT_TRUE(w.s.MainVisible());
    EXPECT_TRUE(Enabled(w.main, IDC_APPLY));
    EXPECT_TRUE(Commands(w.s).empty());
}

TEST(AppMainWindow, AboutBoxBelongsToTheWindowAndAnswersEnterAndEscape) {
    ShownSession w("about");
    const std::wstring title = kv::LookupText("LANG_ABOUT_TITLE", kv::GetLanguageIndex());
    auto about = [&]() -> HWND {
        for (HWND d : w.s.OtherDialogs())
            if (WindowText(d) == title) return d;
        return nullptr;
    };
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        SCOPED_TRACE(key);
        PostMessageW(w.main, WM_COMMAND, MAKEWPARAM(ID_TRAY_ABOUT, 0), 0);
        ASSERT_TRUE(WaitFor([&] { return about() != nullptr; }));
        HWND box = about();
        EXPECT_EQ(GetWindow(box, GW_OWNER), w.main);
        // A second request while it is open changes nothing.
        PostMessageW(w.main, WM_COMMAND, MAKEWPARAM(ID_TRAY_ABOUT, 0), 0);
        ASSERT_TRUE(SettleWindow(w.main));
        EXPECT_EQ(w.s.OtherDialogs().size(), 1u);
        // The key goes to the box's button, through the main window's message loop.
        HWND ok = GetDlgItem(box, IDOK);
        PostMessageW(ok, WM_KEYDOWN, key, 1);
        PostMessageW(ok, WM_KEYUP, key, 0xC0000001);
        EXPECT_TRUE(WaitFor([&] { return about() == nullptr; }));
        EXPECT_TRUE(w.s.MainVisible());
    }
}

std::wstring ReadFlip() {
    wchar_t value[16] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Kelvane_Brimor\\Kelvane\\PROFILES", L"Flip", RRF_RT_REG_SZ,
                     nullptr, value, &size) != ERROR_SUCCESS)
        return L"";
    return value;
}

void WriteFlip(const wchar_t* text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Kelvane_Brimor\\Kelvane\\PROFILES", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"Flip", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

TEST(AppMainWindow, FlipStoredAsFiveIsOnAndTogglesToZero) {
    WriteFlip(L"5");
    ShownSession w("flip");
    constexpr int kF1 = 1010;
    EXPECT_FALSE(Enabled(w.main, kF1));  // on: the F keys give way to the D keys
    Click(w.main, IDC_FLIP_1);
    EXPECT_TRUE(WaitFor([&] { return ReadFlip() == L"0"; }));
    EXPECT_TRUE(WaitFor([&] { return Enabled(w.main, kF1); }));
    Click(w.main, IDC_FLIP_2);
    EXPECT_TRUE(WaitFor([&] { return ReadFlip() == L"1"; }));
    EXPECT_TRUE(WaitFor([&] { return !Enabled(w.main, kF1); }));
    WriteFlip(L"0");
}

// The HID service's thread delivers the answers of the write-out; a bank switch arriving on it meanwhile
// must neither stall the write-out nor be lost.
TEST(AppMainWindow, BankSwitchDuringAWriteOutStallsNothing) {
    ShownSession w("bank-during-apply");
    ASSERT_TRUE(w.s.Vk().DelayAnswers(150));  // about 30 reports: a write-out of several seconds
    w.RestoreDefaults();
    ASSERT_TRUE(WaitFor([&] { return Commands(w.s).size() >= 4; }, 10s));
    HWND busy = GetDlgItem(w.main, IDC_BUSY_INDICATOR);
    EXPECT_TRUE(IsWindowVisible(busy));  // the busy animation runs while Apply writes
    ASSERT_TRUE(w.s.Vk().SwitchBank());
    ASSERT_TRUE(WaitFor([&] {
        const auto c = Commands(w.s);
        return !c.empty() && c.back() == kv::CMD_END;
    }, 30s));
    ASSERT_TRUE(w.s.Vk().DelayAnswers(0));
    EXPECT_TRUE(WaitFor([&] { return !Enabled(w.main, IDC_APPLY); }));  // every write succeeded
    EXPECT_TRUE(WaitFor([&] { return WindowText(GetDlgItem(w.main, IDC_G5)) == L"B5"; }));
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(busy); }));
    std::vector<std::vector<uint8_t>> indicator;
    ASSERT_TRUE(w.s.Vk().Reports("indicator:", indicator));
    ASSERT_EQ(indicator.size(), 1u);
    EXPECT_EQ(indicator[0], (std::vector<uint8_t>{0x05, 0x03}));
    // Every report was answered at its first attempt: none of the write-out's reports was sent twice.
    auto reports = VendorReports(w.s);
    const std::size_t sent = reports.size();
    std::sort(reports.begin(), reports.end());
    EXPECT_EQ(std::unique(reports.begin(), reports.end()) - reports.begin(), static_cast<std::ptrdiff_t>(sent));
}

// What the window shows inside a few key buttons and the report-rate buttons is the skin's picture there,
// not a control drawn over it.
TEST(AppMainWindow, ButtonsShowTheSkinsPictures) {
    ShownSession w("pixels");
    SetCursorPos(0, 0);  // no hover look
    SetForegroundWindow(w.main);
    std::this_thread::sleep_for(1s);
    const std::wstring skins = BinFolder() + L"\\Skins\\";
    const auto normal = kv::skin::DecodePictureFile(skins + L"main_normal.jpg");
    const auto checked = kv::skin::DecodePictureFile(skins + L"main_disable.jpg");
    ASSERT_TRUE(normal && checked);

    RECT client;
    GetClientRect(w.main, &client);
    POINT origin{0, 0};
    ClientToScreen(w.main, &origin);
    HDC screen = GetDC(nullptr);
    auto screenPixel = [&](int x, int y) {
        const COLORREF c = GetPixel(screen, origin.x + x, origin.y + y);
        return (static_cast<uint32_t>(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    };
    auto close = [](uint32_t a, uint32_t b) {
        for (int shift : {0, 8, 16})
            if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 6) return false;
        return true;
    };
    struct Probe {
        int id;
        const kv::skin::Picture* picture;
    };
    const int escKey = 1022, aKey = 1058, spaceKey = 1090;
    std::vector<Probe> probes = {{escKey, normal.get()}, {aKey, normal.get()}, {spaceKey, normal.get()}};
    for (int id : {IDC_REPORT1, IDC_REPORT2, IDC_REPORT3, IDC_REPORT4}) {
        const bool inUse = SendDlgItemMessageW(w.main, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
        probes.push_back({id, inUse ? checked.get() : normal.get()});
    }
    for (const Probe& p : probes) {
        SCOPED_TRACE(p.id);
        HWND button = GetDlgItem(w.main, p.id);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(IsWindowVisible(button));
        RECT r;
        GetWindowRect(button, &r);
        POINT topLeft{r.left, r.top};
        ScreenToClient(w.main, &topLeft);
        const int width = r.right - r.left, height = r.bottom - r.top;
        ASSERT_GT(width, 4);
        int matching = 0, total = 0;
        // A transient window of the desktop (the tray's tooltip) may cover a button for a moment: look again.
        for (int attempt = 0; attempt < 5; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(1s);
        matching = 0;
        total = 0;
        for (int dy = 2; dy < height - 2; dy += 3) {
            for (int dx = 2; dx < width - 2; dx += 3) {
                const int x = topLeft.x + dx, y = topLeft.y + dy;
                // The button's picture lies one pixel up and left of it in the full-window picture.
                const int px = x - 1, py = y - 1;
                if (px < 0 || py < 0 || px >= p.picture->width || py >= p.picture->height) continue;
                ++total;
                if (close(screenPixel(x, y), p.picture->pixels[static_cast<std::size_t>(py * p.picture->width + px)]))
                    ++matching;
            }
        }
        if (matching * 100 >= total * 95) break;
        }
        ASSERT_GT(total, 0);
        EXPECT_GE(matching * 100, total * 95) << matching << " of " << total;
    }
    ReleaseDC(nullptr, screen);
}

}  // namespace
}  // namespace kvtest
