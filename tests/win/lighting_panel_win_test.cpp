// The lighting panel on a stand-in main window (the real skin and key buttons) against the virtual keyboard
// bound in this process: which controls show for which effect, what each control writes, per-key painting,
// restore defaults, and the preview's timer. With KV_LIGHTING_SHOTS=<folder> it also writes pictures of the
// window (every language, a few previews) for a person to look at.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/app_messages.h"
#include "app/current_profile.h"
#include "app/program_paths.h"
#include "control_client.h"
#include "device/commands.h"
#include "device/hid_binding.h"
#include "keys/key_catalogue.h"
#include "lighting/led_numbers.h"
#include "lighting/lighting_session.h"
#include "lighting_panel_host_win.h"
#include "profiles/profile_file.h"
#include "skin/language.h"
#include "skin/language_store_win.h"
#include "skin_test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

// Handles the queued messages; the preview's timer only when asked for (each of its steps repaints the picture).
void Pump(std::chrono::milliseconds duration = std::chrono::milliseconds(0), bool timers = false) {
    const auto end = std::chrono::steady_clock::now() + duration;
    const auto take = [timers](MSG& msg) {
        return PeekMessageW(&msg, nullptr, 0, WM_TIMER - 1, PM_REMOVE) ||
               PeekMessageW(&msg, nullptr, WM_TIMER + 1, 0xFFFFFFFF, PM_REMOVE) ||
               (timers && PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    };
    do {
        MSG msg;
        for (int n = 0; n < 500 && (!timers || std::chrono::steady_clock::now() < end) && take(msg); ++n) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (duration.count() > 0) Sleep(5);
    } while (std::chrono::steady_clock::now() < end);
}

// The window as the screen shows it, as a BMP.
bool Capture(HWND window, const std::wstring& path) {
    RECT r;
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);
    const auto* px = static_cast<const uint32_t*>(bits);
    const bool ok = skintest::WriteBmp(path, w, h, [&](int x, int y) { return px[y * w + x] & 0xFFFFFF; });
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

class LightingPanel : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        dir_ = fs::path(temp) / (L"kvlighting-" + std::to_wstring(GetCurrentProcessId()));
        fs::create_directories(dir_ / L"Halvorn");
        channel_ = "kvlighting-" + std::to_string(GetCurrentProcessId());
        SetEnvironmentVariableW(L"KELVANE_VK_STATE", (dir_ / L"vk.state").c_str());
        SetEnvironmentVariableW(L"KELVANE_VK_CHANNEL", std::wstring(channel_.begin(), channel_.end()).c_str());
        std::string failure;
        const kv::BindResult bound = kv::BindHidService([&failure](const kv::BindResult& r) { failure = kv::DescribeBindResult(r); });
        ASSERT_EQ(bound.status, kv::BindStatus::Bound) << failure;
        const std::wstring user = (dir_ / L"Halvorn").wstring();
        kv::SetUserPaths({user, user + L"\\wskb.ini", user + L"\\UserDengColor_"});
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    void SetUp() override {
        ASSERT_TRUE(vk_.ResetMemory());
        ASSERT_TRUE(vk_.ClearFaults());
        for (const auto& f : fs::directory_iterator(dir_ / L"Halvorn")) fs::remove(f.path());
        host_ = std::make_unique<lightingtest::PanelHost>();
        ASSERT_TRUE(host_->Create());
        ShowWindow(host_->Window(), SW_SHOW);
        Pump();
        (void)host_->SelectProfile(0);
    }
    void TearDown() override {
        host_.reset();
        Pump();
    }

    kv::CLightingPanel& Panel() { return host_->Panel(); }
    HWND Control(int id) { return GetDlgItem(host_->Window(), id); }
    bool Shown(int id) { return IsWindowVisible(Control(id)) != FALSE; }
    void Command(int id, UINT code = BN_CLICKED) {
        SendMessageW(host_->Window(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Control(id)));
        Pump();
    }
    void SelectEffect(int effect) {
        const int position = Panel().Session().Effects().PositionOf(effect);
        ASSERT_GE(position, 0) << effect;
        SendMessageW(Control(1146), CB_SETCURSEL, static_cast<WPARAM>(position), 0);
        Command(1146, CBN_SELCHANGE);
    }
    void SetStoredEffect(int profile, int effect) {
        ASSERT_EQ(kv::WriteLightingFields(profile, {kv::Field(kv::kFieldEffect, {static_cast<uint8_t>(effect)})}), kv::kResultSuccess);
    }
    void OpenPanel() {
        ASSERT_FALSE(Panel().PerKeyEdit());
        Command(1167);
        ASSERT_TRUE(Panel().PerKeyEdit());
    }
    Bytes Lighting() {
        Bytes b;
        EXPECT_TRUE(vk_.Dump("lighting", b));
        return b;
    }
    Bytes Colours(int profile) {
        Bytes b;
        EXPECT_TRUE(vk_.Dump("colors " + std::to_string(profile), b));
        return b;
    }
    std::string File(const std::wstring& name) {
        Bytes b;
        (void)kv::ReadWholeFile(dir_ / L"Halvorn" / name, b);
        std::string s;
        if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {  // UTF-16LE with its byte order mark
            for (std::size_t i = 2; i + 1 < b.size(); i += 2) s.push_back(static_cast<char>(b[i]));
        } else {
            s.assign(b.begin(), b.end());
        }
        return s;
    }
    // Clicks a slider at a fraction of its width, as the mouse would.
    void ClickSlider(int id, double fraction) {
        RECT r;
        GetClientRect(Control(id), &r);
        const LPARAM at = MAKELPARAM(static_cast<int>(r.right * fraction), r.bottom / 2);
        SendMessageW(Control(id), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(Control(id), WM_LBUTTONUP, 0, at);
        Pump();
    }

    static inline fs::path dir_;
    static inline std::string channel_;
    qvx::ControlClient vk_{channel_};
    std::unique_ptr<lightingtest::PanelHost> host_;
};

struct Visible {
    int id;
    const char* what;
};
constexpr Visible kParameterControls[] = {
    {1146, "effect list"}, {1178, "brightness"}, {1179, "speed"}, {1149, "direction"}, {1155, "main colour"},
    {1156, "multicolour"}, {1152, "single colour"}, {1194, "effect 17 red"}, {1197, "effect 17 blue"},
    {1160, "paint colour"}, {1162, "base colour"}, {1164, "tool"}, {1198, "colour sets"},
};

TEST_F(LightingPanel, ShowsOnlyTheControlsOfTheSelectedEffect) {
    struct Case {
        int effect;
        std::vector<int> shown;
    } cases[] = {
        {4, {1146, 1178, 1179}},
        {1, {1146, 1178, 1179, 1149, 1155, 1156}},
        {6, {1146, 1178, 1152}},
        {12, {1146, 1178, 1179, 1149}},
        {17, {1146, 1178, 1194, 1197}},
        {18, {1146, 1178, 1149}},
        {20, {1146, 1178, 1160, 1162, 1164, 1198}},
        {21, {1146}},  // listed but unknown: only the list, to choose another effect
    };
    ASSERT_TRUE(vk_.SetEffects({1, 4, 6, 12, 17, 18, 20, 21}));
    SetStoredEffect(0, 4);
    OpenPanel();
    for (const Case& c : cases) {
        if (c.effect != 4) SelectEffect(c.effect);
        EXPECT_EQ(Panel().Session().Working().effect, c.effect);
        for (const Visible& v : kParameterControls) {
            const bool expected = std::find(c.shown.begin(), c.shown.end(), v.id) != c.shown.end();
            EXPECT_EQ(Shown(v.id), expected) << "effect " << c.effect << ": " << v.what;
        }
    }
    EXPECT_EQ(Lighting()[0], 20) << "an effect the program does not know writes nothing";
    Command(1167);
    EXPECT_FALSE(Panel().PerKeyEdit());
    for (const Visible& v : kParameterControls) EXPECT_FALSE(Shown(v.id)) << "closed: " << v.what;
    EXPECT_TRUE(Shown(1167));
    EXPECT_NE(File(L"wskb.ini").find("DengCheck=0"), std::string::npos);
}

TEST_F(LightingPanel, ControlsWriteTheirFieldsAtOnce) {
    ASSERT_TRUE(vk_.SetEffects({1, 2, 17, 20}));
    SetStoredEffect(0, 2);
    OpenPanel();
    ClickSlider(1178, 0.0);
    ClickSlider(1179, 1.0);
    EXPECT_EQ(Lighting()[1], 0) << "brightness at the left end";
    EXPECT_EQ(Lighting()[2], 0) << "speed at the right end is stored as 0";
    Command(1149);
    EXPECT_EQ(Lighting()[3], 255);
    Panel().SetColourPicker([](HWND, uint32_t& c) { c = kv::MakeColor(0, 126, 255); return true; });
    Command(1155);
    const Bytes mem = Lighting();
    EXPECT_EQ(Bytes(mem.begin() + 4, mem.begin() + 8), (Bytes{0, 0x00, 0x7E, 0xFF}));
    Command(1156);
    EXPECT_EQ(Lighting()[4], 1);
    SelectEffect(17);
    Command(1196);
    EXPECT_EQ(Lighting()[17], 2);
}

TEST_F(LightingPanel, OpeningAsksForTheProfileAndStaysClosedWhenRefused) {
    host_->refuseSelect = true;
    const int before = host_->Selections();
    Command(1167);
    EXPECT_EQ(host_->Selections(), before + 1);
    EXPECT_FALSE(Panel().PerKeyEdit());
    EXPECT_FALSE(Shown(1146));
    EXPECT_NE(File(L"wskb.ini").find("DengCheck=0"), std::string::npos);
    host_->refuseSelect = false;
    Command(1167);
    EXPECT_NE(File(L"wskb.ini").find("DengCheck=1"), std::string::npos);
}

TEST_F(LightingPanel, RestoreDefaultsTouchesTheLightingOnlyWhileOpen) {
    ASSERT_TRUE(vk_.SetEffects({1, 5, 20}));
    ASSERT_EQ(kv::WriteLightingFields(1, {kv::Field(kv::kFieldEffect, {5}), kv::Field(kv::kFieldSpeed, {1})}), kv::kResultSuccess);
    (void)host_->SelectProfile(1);
    const Bytes before = Lighting();
    // The window's restore-defaults asks the panel only while it is open; the panel itself also refuses.
    if (Panel().PerKeyEdit()) Panel().RestoreDefaults();
    Panel().RestoreDefaults();
    EXPECT_EQ(Lighting(), before);

    OpenPanel();
    Panel().RestoreDefaults();
    Pump();
    const Bytes after = Lighting();
    EXPECT_EQ(Bytes(after.begin() + 42, after.begin() + 50), (Bytes{1, 5, 3, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(static_cast<int>(SendMessageW(Control(1146), CB_GETCURSEL, 0, 0)), 0);
    EXPECT_EQ(Panel().Session().SpeedPosition(), 2);
    EXPECT_EQ(host_->ReportRateShown(), 0);
}

TEST_F(LightingPanel, PaintingKeysWithTheCustomEffect) {
    ASSERT_TRUE(vk_.SetEffects({1, 20}));
    (void)host_->SelectProfile(0);
    OpenPanel();
    const UINT keyA = static_cast<UINT>(kv::ControlOfPictureKey(0));
    Command(static_cast<int>(keyA));
    EXPECT_EQ(File(L"UserDengColor_0.userd").find("64="), std::string::npos) << "no painting outside effect 20";

    SelectEffect(20);
    Panel().SetColourPicker([](HWND, uint32_t& c) { c = kv::MakeColor(0, 0, 255); return true; });
    Command(1165);  // tool 1: the base colour, following it
    Command(1162);  // base colour
    Command(static_cast<int>(keyA));
    const Bytes page = Colours(0);
    EXPECT_EQ(Bytes(page.begin() + 64 * 3, page.begin() + 64 * 3 + 3), (Bytes{0, 0, 0xFF}));
    EXPECT_NE(File(L"UserDengColor_0.userd").find("64=0,0,255,1"), std::string::npos);
    EXPECT_TRUE(host_->KeyButton(keyA)->IsFrame());

    // A set renamed in place keeps its name in the profile's file.
    HWND sets = Control(1198);
    SendMessageW(sets, CB_SETCURSEL, 3, 0);
    Command(1198, CBN_SELCHANGE);
    SetWindowTextW(sets, L"Night");
    Command(1198, CBN_EDITCHANGE);
    Command(1198, CBN_KILLFOCUS);
    EXPECT_NE(File(L"UserDengColor_0.userd").find("3=Night"), std::string::npos);
    EXPECT_NE(File(L"UserDengColor_0.userd").find("mode=3"), std::string::npos);
    SetWindowTextW(sets, L"   ");
    Command(1198, CBN_EDITCHANGE);
    Command(1198, CBN_KILLFOCUS);
    EXPECT_NE(File(L"UserDengColor_0.userd").find("3=Night"), std::string::npos) << "an empty name changes nothing";
}

// The keyboard comes in on another profile with its information unreadable: that profile's colour set
// cannot be loaded then. The next read that works loads it, and painting goes to that profile's set, never
// to the set of the profile before.
TEST_F(LightingPanel, AColourSetUnreadAtAProfileChangeIsLoadedByTheNextRead) {
    ASSERT_TRUE(vk_.SetEffects({1, 20}));
    SetStoredEffect(0, 20);
    SetStoredEffect(1, 20);
    (void)host_->SelectProfile(0);
    OpenPanel();
    ASSERT_TRUE(vk_.DropAnswers(qvx::ControlClient::kAlways, kv::CMD_READ_INFO));
    kv::SetCurrentProfile(1);
    Panel().Reload(1);
    Panel().ProfileChanged(1);
    ASSERT_TRUE(vk_.ClearFaults());
    const std::string before = File(L"UserDengColor_0.userd");

    Panel().Reload(1);  // the next read, as a lighting change on the keyboard brings it
    ASSERT_TRUE(Panel().PerKeyEdit());
    Command(static_cast<int>(kv::ControlOfPictureKey(0)));
    EXPECT_EQ(File(L"UserDengColor_0.userd"), before);
    EXPECT_NE(File(L"UserDengColor_1.userd").find("64="), std::string::npos);
    kv::SetCurrentProfile(0);
}

TEST_F(LightingPanel, PreviewRunsOnlyWhileOpenShownAndMoving) {
    ASSERT_TRUE(vk_.SetEffects({1, 6, 9, 20}));
    SetStoredEffect(0, 1);
    (void)host_->SelectProfile(0);
    EXPECT_FALSE(Panel().PreviewRunning()) << "closed panel: no timer";
    OpenPanel();
    EXPECT_TRUE(Panel().PreviewRunning());
    Pump(std::chrono::milliseconds(200), true);
    const UINT keyA = static_cast<UINT>(kv::ControlOfPictureKey(0));
    EXPECT_TRUE(host_->KeyButton(keyA)->IsFrame()) << "the preview frames the keys";
    ShowWindow(host_->Window(), SW_HIDE);
    Pump();
    EXPECT_FALSE(Panel().PreviewRunning()) << "hidden window: no timer";
    ShowWindow(host_->Window(), SW_SHOW);
    Pump();
    EXPECT_TRUE(Panel().PreviewRunning());
    SelectEffect(6);
    EXPECT_FALSE(Panel().PreviewRunning()) << "a static effect is drawn once";
    EXPECT_TRUE(host_->KeyButton(keyA)->IsFrame());
    SelectEffect(9);
    EXPECT_FALSE(Panel().PreviewRunning());
    EXPECT_FALSE(host_->KeyButton(keyA)->IsFrame()) << "effect 9 clears the frames";
    SelectEffect(1);
    EXPECT_TRUE(Panel().PreviewRunning());
    Command(1167);
    EXPECT_FALSE(Panel().PreviewRunning());
    EXPECT_FALSE(host_->KeyButton(keyA)->IsFrame());
}

// Pictures for a person to look at: KV_LIGHTING_SHOTS=<folder>.
TEST_F(LightingPanel, Screenshots) {
    wchar_t folder[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"KV_LIGHTING_SHOTS", folder, MAX_PATH) == 0) GTEST_SKIP() << "no folder for pictures";
    const std::wstring out = std::wstring(folder) + L"\\";
    kv::RegistryLanguageStore languages;
    const uint32_t before = static_cast<uint32_t>(kv::GetLanguageId(languages));
    SetWindowPos(host_->Window(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(vk_.SetEffects({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20}));
    SetStoredEffect(0, 1);
    (void)host_->SelectProfile(0);
    OpenPanel();
    for (uint32_t id : kv::kLanguageIds) {
        languages.WriteStoredLanguageId(id);
        Panel().ApplyLanguage();
        for (int effect : {1, 6, 17, 18, 20}) {
            SelectEffect(effect);
            Pump(std::chrono::milliseconds(300), true);
            wchar_t name[64];
            swprintf(name, 64, L"lang%04X_effect%d.bmp", id, effect);
            EXPECT_TRUE(Capture(host_->Window(), out + name));
        }
    }
    languages.WriteStoredLanguageId(before);
    Panel().ApplyLanguage();
    for (int effect : {2, 3, 4, 5, 10, 11, 12, 13, 14, 15, 16, 18}) {
        SelectEffect(effect);
        for (int shot = 0; shot < 2; ++shot) {
            Pump(std::chrono::milliseconds(700), true);
            wchar_t name[64];
            swprintf(name, 64, L"preview_effect%d_%d.bmp", effect, shot);
            EXPECT_TRUE(Capture(host_->Window(), out + name));
        }
    }
}

}  // namespace
