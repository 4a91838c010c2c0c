// The lighting panel in Kelvane.exe's real main window, end to end with the virtual keyboard: opening it
// shows the effect's controls and remembers the open state, the effect list writes the effect, restore
// defaults with the panel closed leaves the lighting alone, and the preview frames the keys. With
// KV_LIGHTING_SHOTS=<folder> it writes a picture of the window with the panel open.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "app/app_messages.h"
#include "app_session_win.h"
#include "device/commands.h"
#include "lighting/lighting_panel_win.h"
#include "skin/language.h"
#include "ui/resource_ids.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

constexpr int kPanelSwitch = 1167, kEffectList = 1146, kBrightness = 1178, kSpeed = 1179, kDirection = 1149;

void Click(HWND main, int id) { PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
bool Visible(HWND main, int id) { return IsWindowVisible(GetDlgItem(main, id)) != FALSE; }

std::vector<uint8_t> Lighting(const AppSession& s) {
    std::vector<uint8_t> b;
    EXPECT_TRUE(s.Vk().Dump("lighting", b));
    return b;
}

std::string OpenFlag(const AppSession& s) {
    std::ifstream in(std::filesystem::path(s.UserFolderRoot() + L"\\Halvorn\\wskb.ini"), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string ascii;
    for (char c : text)
        if (c != 0) ascii.push_back(c);
    const auto at = ascii.find("DengCheck=");
    return at == std::string::npos ? "" : ascii.substr(at + 10, 1);
}

struct Shown {
    explicit Shown(const std::string& name) : s(name) {
        s.Launch(L"/Start");
        EXPECT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }, 30s));
        main = s.MainWindow();
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(ID_TRAY_OPEN, 0), 0);
        EXPECT_TRUE(WaitFor([&] { return s.MainVisible(); }));
        std::this_thread::sleep_for(300ms);
    }
    AppSession s;
    HWND main = nullptr;
};

TEST(AppLighting, PanelOpensWithTheEffectsControlsAndWritesTheChosenEffect) {
    Shown w("lighting-open");
    EXPECT_FALSE(Visible(w.main, kEffectList)) << "the panel starts closed";
    Click(w.main, kPanelSwitch);
    ASSERT_TRUE(WaitFor([&] { return Visible(w.main, kEffectList); }));
    EXPECT_TRUE(Visible(w.main, kBrightness));
    EXPECT_TRUE(Visible(w.main, kSpeed));
    EXPECT_TRUE(Visible(w.main, kDirection)) << "profile 0 starts with effect 1, which has a direction";
    EXPECT_EQ(OpenFlag(w.s), "1");

    // Effect 4 from the list: one byte at offset 0, and only the list, brightness and speed stay.
    HWND list = GetDlgItem(w.main, kEffectList);
    const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    int position = -1;
    for (int i = 0; i < count; ++i) {
        wchar_t text[64] = {};
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        if (text == kv::LookupModeText(4, kv::GetLanguageIndex())) position = i;
    }
    ASSERT_GE(position, 0);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
    PostMessageW(w.main, WM_COMMAND, MAKEWPARAM(kEffectList, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    ASSERT_TRUE(WaitFor([&] { return Lighting(w.s)[0] == 4; }));
    EXPECT_TRUE(WaitFor([&] { return !Visible(w.main, kDirection); }));
    EXPECT_TRUE(Visible(w.main, kSpeed));

    wchar_t folder[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"KV_LIGHTING_SHOTS", folder, MAX_PATH) != 0) {
        std::this_thread::sleep_for(1500ms);
        HDC screen = GetDC(nullptr);
        RECT r;
        GetWindowRect(w.main, &r);
        const int width = r.right - r.left, height = r.bottom - r.top;
        HDC mem = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ old = SelectObject(mem, bitmap);
        BitBlt(mem, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        SelectObject(mem, old);
        BITMAPINFOHEADER bi{};
        bi.biSize = sizeof bi;
        bi.biWidth = width;
        bi.biHeight = height;
        bi.biPlanes = 1;
        bi.biBitCount = 24;
        const DWORD rowBytes = static_cast<DWORD>((width * 3 + 3) & ~3);
        std::vector<uint8_t> pixels(rowBytes * static_cast<DWORD>(height));
        GetDIBits(mem, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
        BITMAPFILEHEADER fh{};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof bi;
        fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
        std::ofstream out(std::filesystem::path(std::wstring(folder) + L"\\app_lighting_effect4.bmp"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
        out.write(reinterpret_cast<const char*>(&bi), sizeof bi);
        out.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
        DeleteObject(bitmap);
        DeleteDC(mem);
        ReleaseDC(nullptr, screen);
    }

    Click(w.main, kPanelSwitch);
    ASSERT_TRUE(WaitFor([&] { return !Visible(w.main, kEffectList); }));
    EXPECT_EQ(OpenFlag(w.s), "0");
}

// The preview steps only while the window can be seen: minimised, or hidden by the device link when the
// keyboard goes, it stops; restored or opened again, it runs again.
TEST(AppLighting, ThePreviewRunsOnlyWhileTheWindowCanBeSeen) {
    Shown w("lighting-visible");
    Click(w.main, kPanelSwitch);
    ASSERT_TRUE(WaitFor([&] { return Visible(w.main, kEffectList); }));
    const auto running = [&] { return GetPropW(w.main, kv::kPreviewRunningProperty) != nullptr; };
    ASSERT_TRUE(WaitFor(running)) << "profile 0's effect 1 moves: its preview runs";

    Click(w.main, IDC_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(w.main) != FALSE; }));
    EXPECT_TRUE(WaitFor([&] { return !running(); })) << "minimised";
    PostMessageW(w.main, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(w.main) == FALSE; }));
    EXPECT_TRUE(WaitFor(running)) << "restored";

    ASSERT_TRUE(w.s.Vk().Detach());
    ASSERT_TRUE(WaitFor([&] { return !w.s.MainVisible(); }));
    EXPECT_TRUE(WaitFor([&] { return !running(); })) << "hidden as the keyboard went";
    ASSERT_TRUE(w.s.Vk().Attach());
    ASSERT_TRUE(WaitFor([&] { return w.s.TrayPicture() == kv::kIconAttached; }, 30s));
    PostMessageW(w.main, WM_COMMAND, MAKEWPARAM(ID_TRAY_OPEN, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return w.s.MainVisible(); }));
    EXPECT_TRUE(WaitFor(running)) << "shown again";
}

TEST(AppLighting, RestoreDefaultsWithThePanelClosedLeavesTheLightingRecord) {
    Shown w("lighting-defaults");
    const std::vector<uint8_t> before = Lighting(w.s);
    Click(w.main, IDC_FUNC_DEFAULT);
    HWND box = w.s.WaitMessageBox(kv::LookupText("MAIN_CAPTION", kv::GetLanguageIndex()));
    ASSERT_NE(box, nullptr);
    Answer(box, IDYES);
    ASSERT_TRUE(WaitFor([&] { return w.s.FindMessageBox(kv::LookupText("MAIN_CAPTION", kv::GetLanguageIndex())) == nullptr; }));
    // Apply runs on its own thread: the lighting is looked at once its bracket has ended.
    ASSERT_TRUE(WaitFor([&] {
        std::vector<std::vector<uint8_t>> reports;
        return w.s.Vk().Reports("vendor:", reports) && !reports.empty() && reports.back().size() > 3 &&
               reports.back()[3] == kv::CMD_END;
    }, 20s));
    EXPECT_EQ(Lighting(w.s), before);
}

}  // namespace
}  // namespace kvtest
