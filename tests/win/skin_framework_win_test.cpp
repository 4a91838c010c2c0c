// The image-skinned dialog framework on the real window system: size, outline and background of a
// dialog built from a layout file, button pictures cut from full-window images, looks, frame mode,
// tooltips, clicks, and the quiet end of the process when a background picture is missing.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "skin/base_dialog.h"
#include "skin/dpi_scale.h"
#include "skin/picture.h"
#include "skin/placement.h"
#include "skin/png_button.h"
#include "skin/skin_image.h"
#include "skin/text_fit_win.h"
#include "skin_test_support.h"

namespace {

using kv::skin::ScaleToDpi;
using skintest::Capture;
using skintest::Hex;
using skintest::ScratchDir;
using skintest::WriteBmp;
using skintest::WriteText;

// The program runs per-monitor aware (its manifest says so); the tests do the same.
const bool kDpiAware = [] {
    using Fn = BOOL(WINAPI*)(HANDLE);
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    return fn && fn(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)));  // per monitor, version 2
}();

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// A modeless skinned dialog that counts the clicks of its controls.
class TestDialog : public CBaseDialog {
public:
    using CBaseDialog::CBaseDialog;
    int clicks = 0;

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND && LOWORD(wParam) == 1200 && HIWORD(wParam) == BN_CLICKED) {
            ++clicks;
            return TRUE;
        }
        return CBaseDialog::DialogProc(message, wParam, lParam);
    }
};

bool InRoundedShape(int x, int y) {
    // A 60 x 40 rectangle with corners rounded by a radius of 12.
    constexpr int w = 60, h = 40, r = 12;
    const int cx = x < r ? r : (x >= w - r ? w - r - 1 : x);
    const int cy = y < r ? r : (y >= h - r ? h - r - 1 : y);
    const int dx = x - cx, dy = y - cy;
    return dx * dx + dy * dy <= r * r;
}

struct SkinFiles {
    ScratchDir dir;
    std::wstring ini;

    explicit SkinFiles(const std::string& layout) {
        ini = dir / L"Test.ini";
        EXPECT_TRUE(WriteText(ini, layout));
    }
};

std::unique_ptr<TestDialog> OpenDialog(const SkinFiles& files) {
    auto dialog = std::make_unique<TestDialog>(0, nullptr, files.ini, files.dir.Path());
    EXPECT_TRUE(dialog->Create());
    return dialog;
}

TEST(SkinDialog, TakesItsSizeFromTheBackgroundAndItsShapeFromTheMask) {
    SkinFiles files("[SCREEN]\r\nMain=back.bmp\r\nMask=mask.bmp\r\n");
    ASSERT_TRUE(WriteBmp(files.dir / L"back.bmp", 60, 40, [](int, int) { return 0x336699u; }));
    ASSERT_TRUE(WriteBmp(files.dir / L"mask.bmp", 60, 40,
                         [](int x, int y) { return InRoundedShape(x, y) ? 0x000000u : 0xFFFFFFu; }));
    auto dialog = OpenDialog(files);
    HWND hwnd = dialog->GetSafeHwnd();
    ASSERT_NE(hwnd, nullptr);
    const int dpi = dialog->Dpi();

    RECT rc;
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.right - rc.left, ScaleToDpi(60, dpi));
    EXPECT_EQ(rc.bottom - rc.top, ScaleToDpi(40, dpi));
    GetClientRect(hwnd, &rc);
    EXPECT_EQ(rc.right, ScaleToDpi(60, dpi)) << "no frame: the client area is the whole window";
    EXPECT_FALSE(IsWindowVisible(hwnd)) << "hidden until its owner shows it";

    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(GetWindowRgn(hwnd, region), COMPLEXREGION);
    int wrong = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            if ((PtInRegion(region, ScaleToDpi(x, dpi), ScaleToDpi(y, dpi)) != FALSE) != InRoundedShape(x, y)) ++wrong;
    EXPECT_EQ(wrong, 0) << "pixels whose window membership differs from the mask";
    DeleteObject(region);

    // The background is what the window paints.
    Capture shot(hwnd);
    EXPECT_EQ(Hex(shot.At(ScaleToDpi(30, dpi), ScaleToDpi(20, dpi))), "336699");
}

TEST(SkinDialog, AMaskWithoutWhiteGivesARectangleAndAMissingMaskFollowsTheBackground) {
    {
        SkinFiles files("[SCREEN]\r\nMain=back.bmp\r\nMask=mask.bmp\r\n");
        ASSERT_TRUE(WriteBmp(files.dir / L"back.bmp", 30, 20, [](int, int) { return 0xFFFFFFu; }));
        ASSERT_TRUE(WriteBmp(files.dir / L"mask.bmp", 30, 20, [](int x, int) { return x < 15 ? 0xFEFFFFu : 0x000000u; }));
        auto dialog = OpenDialog(files);
        const int dpi = dialog->Dpi();
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(GetWindowRgn(dialog->GetSafeHwnd(), region), SIMPLEREGION);
        RECT box;
        GetRgnBox(region, &box);
        EXPECT_EQ(box.left, 0);
        EXPECT_EQ(box.top, 0);
        EXPECT_EQ(box.right, ScaleToDpi(30, dpi));
        EXPECT_EQ(box.bottom, ScaleToDpi(20, dpi));
        DeleteObject(region);
    }
    {
        // No Mask key: the background's own white pixels (a white left half) are outside.
        SkinFiles files("[SCREEN]\r\nMain=back.bmp\r\n");
        ASSERT_TRUE(WriteBmp(files.dir / L"back.bmp", 30, 20, [](int x, int) { return x < 10 ? 0xFFFFFFu : 0x102030u; }));
        auto dialog = OpenDialog(files);
        const int dpi = dialog->Dpi();
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(GetWindowRgn(dialog->GetSafeHwnd(), region), ERROR);
        EXPECT_FALSE(PtInRegion(region, ScaleToDpi(5, dpi), ScaleToDpi(5, dpi)));
        EXPECT_TRUE(PtInRegion(region, ScaleToDpi(15, dpi), ScaleToDpi(5, dpi)));
        DeleteObject(region);
    }
}

TEST(SkinDialog, RunsAtTheDisplayDensity) {
    // The test command runs this suite a second time on a display scaled to 150 % (KV_EXPECT_DPI=144).
    wchar_t expected[16] = {};
    if (GetEnvironmentVariableW(L"KV_EXPECT_DPI", expected, 16) == 0) GTEST_SKIP() << "no density asked for";
    SkinFiles files("[SCREEN]\r\nMain=back.bmp\r\n");
    ASSERT_TRUE(WriteBmp(files.dir / L"back.bmp", 10, 10, [](int, int) { return 0u; }));
    auto dialog = OpenDialog(files);
    EXPECT_EQ(dialog->Dpi(), _wtoi(expected));
}

TEST(SkinDialog, FollowsADensityChange) {
    SkinFiles files("[SCREEN]\r\nMain=back.bmp\r\nMask=mask.bmp\r\n[BUTTONINFO]\r\nCONTROL_OK=20,30,10,6\r\n");
    ASSERT_TRUE(WriteBmp(files.dir / L"back.bmp", 60, 40, [](int, int) { return 0x336699u; }));
    ASSERT_TRUE(WriteBmp(files.dir / L"mask.bmp", 60, 40,
                         [](int x, int y) { return InRoundedShape(x, y) ? 0x000000u : 0xFFFFFFu; }));
    auto dialog = OpenDialog(files);
    HWND hwnd = dialog->GetSafeHwnd();
    CPngButton button;
    ASSERT_TRUE(button.Create(hwnd, 1200, L"", RECT{0, 0, 1, 1}));
    kv::skin::PlaceButton(button, dialog->Layout(), L"BUTTONINFO", L"CONTROL_OK", SkinLooks{});
    HWND plain = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 4, 6, 8, 10, hwnd, nullptr, nullptr, nullptr);

    const int from = dialog->Dpi();
    const int to = from * 2;
    RECT suggested{100, 50, 100 + ScaleToDpi(60, to), 50 + ScaleToDpi(40, to)};
    SendMessageW(hwnd, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(dialog->Dpi(), to);

    RECT rc;
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.right - rc.left, ScaleToDpi(60, to));
    EXPECT_EQ(rc.bottom - rc.top, ScaleToDpi(40, to));
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(GetWindowRgn(hwnd, region), COMPLEXREGION);
    int wrong = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            if ((PtInRegion(region, ScaleToDpi(x, to), ScaleToDpi(y, to)) != FALSE) != InRoundedShape(x, y)) ++wrong;
    EXPECT_EQ(wrong, 0);
    DeleteObject(region);

    // A placed control goes to its skin rectangle at the new density, any other one doubles.
    GetWindowRect(button.GetSafeHwnd(), &rc);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, ScaleToDpi(20, to));
    EXPECT_EQ(rc.right, ScaleToDpi(30, to));
    EXPECT_EQ(rc.bottom, ScaleToDpi(36, to));
    GetWindowRect(plain, &rc);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, 8);
    EXPECT_EQ(rc.bottom, 32);
}

TEST(SkinDialog, BackgroundsDecodeFromJpegGifAndPng) {
    // The layout names any picture the platform decodes; BMP is covered above. JPEG and PNG files are
    // written by the platform's own encoders (found by MIME type), the GIF by hand.
    ScratchDir dir;
    ASSERT_TRUE(WriteBmp(dir / L"src.bmp", 24, 16, [](int x, int) { return x < 12 ? 0x2060A0u : 0xC08040u; }));
    auto source = kv::skin::DecodePictureFile(dir / L"src.bmp");
    ASSERT_NE(source, nullptr);
    const uint32_t palette[4] = {0x2060A0, 0xC08040, 0, 0xFFFFFF};
    ASSERT_TRUE(skintest::WriteGif(dir / L"pic.gif", 24, 16, palette, [](int x, int) { return x < 12 ? 0 : 1; }));
    for (const wchar_t* type : {L"image/jpeg", L"image/gif", L"image/png"}) {
        SCOPED_TRACE(Narrow(type));
        const std::wstring path = dir / (std::wstring(L"pic.") + (type + 6));
        if (std::wstring(type) != L"image/gif") {
            ASSERT_TRUE(skintest::EncodeWithPlatform(*source, type, path));
        }
        auto picture = kv::skin::DecodePictureFile(path);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->width, 24);
        EXPECT_EQ(picture->height, 16);
        const uint32_t left = picture->pixels[static_cast<size_t>(8 * 24 + 3)];
        const uint32_t right = picture->pixels[static_cast<size_t>(8 * 24 + 20)];
        EXPECT_TRUE(skintest::Near(left, 0x2060A0, 24)) << Hex(left);
        EXPECT_TRUE(skintest::Near(right, 0xC08040, 24)) << Hex(right);
    }
    // A picture named twice is decoded once; a missing one gives an image that draws nothing.
    EXPECT_EQ(kv::skin::LoadSkinImageFile(dir / L"pic.png").Get(), kv::skin::LoadSkinImageFile(dir / L"pic.png").Get());
    EXPECT_TRUE(kv::skin::LoadSkinImageFile(dir / L"missing.jpg").Empty());
    EXPECT_EQ(kv::skin::DecodePictureFile(dir / L"missing.jpg"), nullptr);
    ASSERT_TRUE(WriteText(dir / L"text.jpg", "not a picture at all"));
    EXPECT_EQ(kv::skin::DecodePictureFile(dir / L"text.jpg"), nullptr);
}

// A window with a background and four full-window look images. Each look image's pixel at (x, y)
// encodes its own position, so a cut shows where it came from: 0xLLxxyy with LL = 0x30 x (look + 1).
struct ButtonWindow {
    static constexpr uint32_t kBack = 0x101010;
    static uint32_t LookPixel(int look, int x, int y) {
        return (static_cast<uint32_t>(0x30 * (look + 1)) << 16) | (static_cast<uint32_t>(x) << 8) | static_cast<uint32_t>(y);
    }

    SkinFiles files;
    std::unique_ptr<TestDialog> dialog;
    kv::skin::SkinSurface surfaces[4];
    CPngButton button;
    int dpi = 96;

    explicit ButtonWindow(const std::string& buttonInfo)
        : files("[SCREEN]\r\nMain=back.bmp\r\n[BUTTONINFO]\r\n" + buttonInfo) {
        EXPECT_TRUE(WriteBmp(files.dir / L"back.bmp", 120, 80, [](int, int) { return kBack; }));
        const wchar_t* names[4] = {L"n.bmp", L"h.bmp", L"p.bmp", L"d.bmp"};
        for (int look = 0; look < 4; ++look)
            EXPECT_TRUE(WriteBmp(files.dir / names[look], 120, 80, [look](int x, int y) { return LookPixel(look, x, y); }));
        dialog = OpenDialog(files);
        dpi = dialog->Dpi();
        for (int look = 0; look < 4; ++look)
            kv::skin::RenderImageToSurface(surfaces[look], kv::skin::LoadSkinImageFile(files.dir / names[look]),
                                           dialog->GetSafeHwnd());
        EXPECT_TRUE(button.Create(dialog->GetSafeHwnd(), 1200, L"", RECT{0, 0, 10, 10}));
    }
    // Normal, hover, pressed, disabled, checked = n, h, p, d, p.
    SkinLooks Looks() { return SkinLooks{&surfaces[0], &surfaces[1], &surfaces[2], &surfaces[3], &surfaces[2]}; }
};

TEST(SkinButton, IsPlacedFromItsKeyAndCutOnePixelUpAndLeft) {
    ButtonWindow w("CONTROL_OK=20,30,50,16\r\n");
    kv::skin::PlaceButton(w.button, w.dialog->Layout(), L"BUTTONINFO", L"CONTROL_OK", w.Looks());
    HWND b = w.button.GetSafeHwnd();
    RECT rc;
    GetWindowRect(b, &rc);
    MapWindowPoints(nullptr, w.dialog->GetSafeHwnd(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, ScaleToDpi(20, w.dpi));
    EXPECT_EQ(rc.top, ScaleToDpi(30, w.dpi));
    EXPECT_EQ(rc.right, ScaleToDpi(70, w.dpi));
    EXPECT_EQ(rc.bottom, ScaleToDpi(46, w.dpi));
    EXPECT_TRUE(IsWindowEnabled(b));
    EXPECT_EQ(w.button.OriginX(), 20);
    EXPECT_EQ(w.button.OriginY(), 30);
    // The picture lines up with the scaled images: at 96 exactly, scaled within the filter's rounding.
    Capture shot(b);
    const int tolerance = w.dpi == 96 ? 0 : 2;
    EXPECT_PRED3(skintest::Near, shot.At(0, 0), ButtonWindow::LookPixel(0, 19, 29), tolerance) << Hex(shot.At(0, 0));
    const uint32_t corner = shot.At(shot.Width() - 1, shot.Height() - 1);
    EXPECT_PRED3(skintest::Near, corner, ButtonWindow::LookPixel(0, 19 + 49, 29 + 15), tolerance) << Hex(corner);
}

TEST(SkinButton, AtOneOneOrWithoutAKeyIsDisabled) {
    ButtonWindow w("FLIP_1=1,1,40,20\r\n");
    kv::skin::PlaceButton(w.button, w.dialog->Layout(), L"BUTTONINFO", L"FLIP_1", w.Looks());
    EXPECT_FALSE(IsWindowEnabled(w.button.GetSafeHwnd()));
    RECT rc;
    GetClientRect(w.button.GetSafeHwnd(), &rc);
    EXPECT_EQ(rc.right, ScaleToDpi(41, w.dpi) - ScaleToDpi(1, w.dpi)) << "its size stays valid";

    CPngButton other;
    ASSERT_TRUE(other.Create(w.dialog->GetSafeHwnd(), 1201, L"", RECT{5, 5, 30, 30}));
    kv::skin::PlaceButton(other, w.dialog->Layout(), L"BUTTONINFO", L"NO_SUCH_KEY", w.Looks());
    EXPECT_FALSE(IsWindowEnabled(other.GetSafeHwnd()));
    GetWindowRect(other.GetSafeHwnd(), &rc);
    MapWindowPoints(nullptr, w.dialog->GetSafeHwnd(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, ScaleToDpi(1, w.dpi));
    EXPECT_EQ(rc.right - rc.left, ScaleToDpi(2, w.dpi) - ScaleToDpi(1, w.dpi));
}

TEST(SkinButton, ShowsTheFirstMatchingLookAndReportsTheNormalImage) {
    ButtonWindow w("CONTROL_OK=20,30,50,16\r\n");
    kv::skin::PlaceButton(w.button, w.dialog->Layout(), L"BUTTONINFO", L"CONTROL_OK", w.Looks());
    HWND b = w.button.GetSafeHwnd();
    int calls = 0;
    bool lastNormal = false;
    w.button.SetPaintCallback([&](HWND from, bool normal) {
        EXPECT_EQ(from, b);
        ++calls;
        lastNormal = normal;
    });
    const auto lookByte = [&] { return Capture(b).At(ScaleToDpi(10, w.dpi), ScaleToDpi(5, w.dpi)) >> 16; };

    EXPECT_EQ(lookByte(), 0x30u);  // normal
    EXPECT_EQ(w.button.LastLook(), kv::skin::ButtonLook::Normal);
    EXPECT_TRUE(lastNormal);
    // Held down, the button shows its pressed picture; let go, the normal one again.
    SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_EQ(lookByte(), 0x90u);
    SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(lookByte(), 0x30u);
    w.button.SetChecked(true, true);
    EXPECT_EQ(lookByte(), 0x90u);  // checked = the pressed image here
    EXPECT_EQ(w.button.LastLook(), kv::skin::ButtonLook::Checked);
    EXPECT_FALSE(lastNormal);
    SendMessageW(b, WM_MOUSEHOVER, 0, 0);
    EXPECT_TRUE(w.button.IsHover());
    EXPECT_EQ(lookByte(), 0x60u) << "hover before checked";
    SendMessageW(b, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(w.button.IsHover());
    EXPECT_EQ(lookByte(), 0x90u);

    // Disabled and checked: the disabled picture, cut at the same place.
    EnableWindow(b, FALSE);
    EXPECT_EQ(lookByte(), 0xC0u);
    if (w.dpi == 96) {
        EXPECT_EQ(Hex(Capture(b).At(3, 4)), Hex(ButtonWindow::LookPixel(3, 22, 33)));
    }
    EXPECT_EQ(w.button.LastLook(), kv::skin::ButtonLook::Disabled);
    EXPECT_GT(calls, 3);
}

TEST(SkinButton, FrameModeShowsOnlyATwoPixelFrameOverTheBackground) {
    ButtonWindow w("KEY_01E=20,30,24,18\r\n");
    kv::skin::PlaceButton(w.button, w.dialog->Layout(), L"BUTTONINFO", L"KEY_01E", w.Looks());
    w.button.SetChecked(true, false);
    w.button.SetFrame(RGB(0x12, 0x34, 0x56), true);
    HWND b = w.button.GetSafeHwnd();
    Capture shot(b);
    const int t = ScaleToDpi(2, w.dpi);
    int frame = 0, inside = 0, other = 0;
    for (int y = 0; y < shot.Height(); ++y)
        for (int x = 0; x < shot.Width(); ++x) {
            const bool edge = x < t || y < t || x >= shot.Width() - t || y >= shot.Height() - t;
            const uint32_t p = shot.At(x, y);
            if (edge && p == 0x123456) ++frame;
            else if (!edge && p == ButtonWindow::kBack) ++inside;
            else ++other;
        }
    EXPECT_EQ(other, 0) << "pixels that are neither the frame nor the background";
    EXPECT_GT(frame, 0);
    EXPECT_GT(inside, 0);

    w.button.SetFrame(RGB(0x12, 0x34, 0x56), false);
    EXPECT_EQ(Capture(b).At(ScaleToDpi(10, w.dpi), ScaleToDpi(9, w.dpi)) >> 16, 0x90u) << "checked look is back";
}

TEST(SkinButton, ArrowTakesItsPictureFromTheSecondKey) {
    ButtonWindow w("LEFT_ARROW=40,10,12,8\r\n[BUTTONINFO2]\r\nUP_ARROW_LEFT1=61,41,0,0\r\n");
    kv::skin::PlaceArrow(w.button, w.dialog->Layout(), L"BUTTONINFO", L"LEFT_ARROW", L"BUTTONINFO2", L"UP_ARROW_LEFT1",
                         &w.surfaces[2]);
    RECT rc;
    GetWindowRect(w.button.GetSafeHwnd(), &rc);
    MapWindowPoints(nullptr, w.dialog->GetSafeHwnd(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, ScaleToDpi(40, w.dpi));
    EXPECT_EQ(rc.bottom - rc.top, ScaleToDpi(18, w.dpi) - ScaleToDpi(10, w.dpi));
    const int tolerance = w.dpi == 96 ? 0 : 2;
    EXPECT_PRED3(skintest::Near, Capture(w.button.GetSafeHwnd()).At(0, 0), ButtonWindow::LookPixel(2, 60, 40), tolerance);
    SendMessageW(w.button.GetSafeHwnd(), WM_MOUSEHOVER, 0, 0);
    EXPECT_PRED3(skintest::Near, Capture(w.button.GetSafeHwnd()).At(0, 0), ButtonWindow::LookPixel(2, 60, 40), tolerance)
        << "one image for every look";
}

TEST(SkinButton, PlaceAndMoveControlsKeepTheirRules) {
    ButtonWindow w("CONTROL_List=10,12,30,20\r\nCONTROL_Pos=50,40,99,99\r\n");
    HWND dlg = w.dialog->GetSafeHwnd();
    HWND list = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, dlg, nullptr, nullptr, nullptr);
    kv::skin::PlaceControl(list, w.dialog->Layout(), L"BUTTONINFO", L"CONTROL_List");
    RECT rc;
    GetWindowRect(list, &rc);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, ScaleToDpi(10, w.dpi));
    EXPECT_EQ(rc.right, ScaleToDpi(40, w.dpi));
    // MoveControl takes only the corner: the size from PlaceControl stays.
    kv::skin::MoveControl(list, w.dialog->Layout(), L"BUTTONINFO", L"CONTROL_Pos");
    GetWindowRect(list, &rc);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, ScaleToDpi(50, w.dpi));
    EXPECT_EQ(rc.top, ScaleToDpi(40, w.dpi));
    EXPECT_EQ(rc.right - rc.left, ScaleToDpi(40, w.dpi) - ScaleToDpi(10, w.dpi));
    kv::skin::SkinRect placed{};
    ASSERT_TRUE(kv::skin::PlacedRect(list, placed));
    EXPECT_EQ(placed, (kv::skin::SkinRect{50, 40, 30, 20}));
    DestroyWindow(list);
}

TEST(SkinButton, CaptionTakesTheLooksColourAndItsMargins) {
    ButtonWindow w("CONTROL_OK=20,30,90,24\r\n");
    kv::skin::PlaceButton(w.button, w.dialog->Layout(), L"BUTTONINFO", L"CONTROL_OK", SkinLooks{});
    HWND b = w.button.GetSafeHwnd();
    SetWindowTextW(b, L"WWW");
    CaptionColours colours;
    colours.normal = RGB(0, 255, 0);
    colours.disabled = RGB(255, 0, 0);
    // Pixels of clearly one colour over the magenta the capture starts from.
    const auto count = [&](int channel, int fromX) {
        Capture shot(b);
        int n = 0;
        for (int y = 0; y < shot.Height(); ++y)
            for (int x = fromX; x < shot.Width(); ++x) {
                const uint32_t p = shot.At(x, y);
                const uint32_t r = p >> 16, g = (p >> 8) & 0xFF, bl = p & 0xFF;
                if (channel == 0 && r > 0xC0 && g < 0x40 && bl < 0x40) ++n;
                if (channel == 1 && g > 0xC0 && r < 0x40 && bl < 0x40) ++n;
            }
        return n;
    };
    w.button.SetCaptionStyle(true, 12, L"Tahoma", colours, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    EXPECT_GT(count(1, 0), 0);
    EXPECT_EQ(count(0, 0), 0);
    EnableWindow(b, FALSE);
    EXPECT_GT(count(0, 0), 0) << "the disabled colour";
    EXPECT_EQ(count(1, 0), 0);
    EnableWindow(b, TRUE);

    // A left margin of 50 keeps the left-aligned text out of the first 50 pixels.
    const int edge = ScaleToDpi(50, w.dpi);
    EXPECT_GT(count(1, 0) - count(1, edge), 0) << "without a margin the text starts at the left";
    w.button.SetCaptionMargins(50, 0, 0, 0);
    EXPECT_GT(count(1, 0), 0);
    EXPECT_EQ(count(1, 0), count(1, edge));
    w.button.SetCaptionStyle(false, 12, L"Tahoma", colours, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    EXPECT_EQ(count(1, 0), 0) << "no caption";
}

TEST(SkinButton, DoubleClickIsTwoClicks) {
    ButtonWindow w("CONTROL_OK=20,30,50,16\r\n");
    kv::skin::PlaceButton(w.button, w.dialog->Layout(), L"BUTTONINFO", L"CONTROL_OK", w.Looks());
    HWND b = w.button.GetSafeHwnd();
    const LPARAM at = MAKELPARAM(5, 5);
    SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(b, WM_LBUTTONUP, 0, at);
    SendMessageW(b, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(b, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(w.dialog->clicks, 2);
}

TEST(SkinButton, TooltipWaitsThreeHundredMilliseconds) {
    ButtonWindow w("CONTROL_OK=20,30,50,16\r\n");
    kv::skin::PlaceButton(w.button, w.dialog->Layout(), L"BUTTONINFO", L"CONTROL_OK", w.Looks());
    w.button.SetTooltip(L"", true);
    EXPECT_EQ(w.button.TooltipWindow(), nullptr) << "an empty text makes no tooltip";
    w.button.SetTooltip(L"Help", true);
    HWND tip = w.button.TooltipWindow();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(SendMessageW(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 300);
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    w.button.SetTooltip(L"Close", true);
    EXPECT_EQ(w.button.TooltipWindow(), tip) << "the same tooltip takes the new text";
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
    // A Chinese tip is written in a face that has the characters (the system's tip face need not), and a
    // Latin one goes back to the system's font.
    w.button.SetTooltip(L"\u83DC\u5355", true);
    const HFONT chineseFont = reinterpret_cast<HFONT>(SendMessageW(tip, WM_GETFONT, 0, 0));
    ASSERT_NE(chineseFont, nullptr);
    HDC dc = GetDC(tip);
    HGDIOBJ old = SelectObject(dc, chineseFont);
    WORD glyphs[2] = {};
    EXPECT_EQ(GetGlyphIndicesW(dc, L"\u83DC\u5355", 2, glyphs, GGI_MARK_NONEXISTING_GLYPHS), 2u);
    EXPECT_NE(glyphs[0], 0xFFFF);
    EXPECT_NE(glyphs[1], 0xFFFF);
    SelectObject(dc, old);
    ReleaseDC(tip, dc);
    w.button.SetTooltip(L"Close", true);
    const auto faceOf = [&](HFONT font) {
        LOGFONTW lf{};
        GetObjectW(font, sizeof lf, &lf);
        return std::wstring(lf.lfFaceName);
    };
    EXPECT_EQ(faceOf(reinterpret_cast<HFONT>(SendMessageW(tip, WM_GETFONT, 0, 0))), metrics.lfStatusFont.lfFaceName);
    w.button.RemoveTooltip();
    EXPECT_FALSE(IsWindow(tip));
}

TEST(SkinDialogDeathTest, AMissingBackgroundEndsTheProcessWithCodeZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ScratchDir dir(L"kvskin_death");
    ASSERT_TRUE(WriteText(dir / L"Test.ini", "[SCREEN]\r\nMain=absent.jpg\r\n"));
    ASSERT_TRUE(WriteText(dir / L"Bad.ini", "[SCREEN]\r\nMain=back.bmp\r\nMask=garbage.bmp\r\n"));
    ASSERT_TRUE(WriteBmp(dir / L"back.bmp", 8, 8, [](int, int) { return 0u; }));
    ASSERT_TRUE(WriteText(dir / L"garbage.bmp", "BM but not really"));
    const auto open = [&](const wchar_t* ini) {
        TestDialog dialog(0, nullptr, dir / ini, dir.Path());
        (void)dialog.Create();
        std::exit(7);  // reached only if the dialog let the process go on
    };
    EXPECT_EXIT(open(L"Test.ini"), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(open(L"Bad.ini"), testing::ExitedWithCode(0), "");
}

}  // namespace

// A caption too wide for its box gets a smaller font that fits, down to three quarters of its size;
// one that fits keeps its font.
TEST(SkinTextFit, ALineTooLongIsDrawnSmallerDownToAFloor) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HFONT base = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    HGDIOBJ old = SelectObject(dc, base);
    const std::wstring text = L"Enregistrer les d\u00e9lais";
    SIZE full{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &full);
    ASSERT_GT(full.cx, 40);
    auto heightOf = [](HFONT font) {
        LOGFONTW lf{};
        GetObjectW(font, sizeof lf, &lf);
        return std::abs(lf.lfHeight);
    };
    auto widthIn = [&](HFONT font) {
        HGDIOBJ was = SelectObject(dc, font);
        SIZE s{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &s);
        SelectObject(dc, was);
        return static_cast<int>(s.cx);
    };
    const int length = static_cast<int>(text.size());
    EXPECT_EQ(kv::skin::SmallerFontToFit(dc, text.c_str(), length, full.cx + 10), nullptr) << "room to spare";
    EXPECT_EQ(kv::skin::SmallerFontToFit(dc, text.c_str(), length, full.cx), nullptr) << "exact fit";
    const int tighter = full.cx * 9 / 10;
    HFONT smaller = kv::skin::SmallerFontToFit(dc, text.c_str(), length, tighter);
    ASSERT_NE(smaller, nullptr);
    EXPECT_LE(widthIn(smaller), tighter);
    EXPECT_LT(heightOf(smaller), 16);
    EXPECT_GE(heightOf(smaller), 12);
    DeleteObject(smaller);
    HFONT floor = kv::skin::SmallerFontToFit(dc, text.c_str(), length, full.cx / 3);
    ASSERT_NE(floor, nullptr);
    EXPECT_EQ(heightOf(floor), 12) << "never below three quarters";
    DeleteObject(floor);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), base) << "the dc keeps its font";
    SelectObject(dc, old);
    DeleteObject(base);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}
