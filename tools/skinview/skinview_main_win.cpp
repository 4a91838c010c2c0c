// skinview: opens a skin layout file ("Skins\Main.ini" and the others) in the skinned dialog framework
// and places an image button for every key of its [BUTTONINFO] section, so a skin can be looked at
// (and photographed) without the program's windows.
//
//   skinview <layout.ini> [--look normal|hover|pressed|disabled] [--frames] [--images <prefix>]
//            [--shot <picture.bmp>]
//
// --look shows every button in one look; --frames draws each placed rectangle as a coloured frame over
// the background; --images names the button pictures "<prefix>normal.jpg", "<prefix>over.jpg",
// "<prefix>down.jpg" and "<prefix>disable.jpg" in the skin folder (by default from the layout file's
// name: Main.ini -> "main_", Composite.ini -> "key_", Profile.ini -> "Profile_", UpdateDlg.ini ->
// "update_"); --shot writes what the window paints (pixels outside its outline white) to a 24-bit BMP
// and ends. Without --shot the window stays open: drag it anywhere, Escape or a right click closes it.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/library_search.h"
#include "skin/base_dialog.h"
#include "skin/placement.h"
#include "skin/png_button.h"
#include "skin/skin_image.h"

namespace {

constexpr UINT kMsgShot = WM_APP + 1;
constexpr int kFirstButtonId = 3000;

struct Options {
    std::wstring layout;
    std::wstring imagePrefix;
    std::wstring shot;
    int look = -1;  // every look as the skin gives it
    bool frames = false;
};

std::wstring ToWindowsPath(std::wstring path) {
    if (!path.empty() && path[0] == L'/') path = L"Z:" + path;  // a host path under Wine
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    wchar_t full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(std::size(full)), full, nullptr);
    return n > 0 && n < std::size(full) ? std::wstring(full, n) : path;
}

std::wstring DefaultPrefix(const std::wstring& layout) {
    const size_t slash = layout.find_last_of(L"\\/");
    const std::wstring name = layout.substr(slash == std::wstring::npos ? 0 : slash + 1);
    const struct {
        const wchar_t* file;
        const wchar_t* prefix;
    } kKnown[] = {
        {L"Main.ini", L"main_"},
        {L"Composite.ini", L"key_"},
        {L"Profile.ini", L"Profile_"},
        {L"UpdateDlg.ini", L"update_"},
    };
    for (const auto& k : kKnown)
        if (_wcsicmp(name.c_str(), k.file) == 0) return k.prefix;
    return L"main_";
}

std::vector<std::wstring> KeysOf(const CIniFile& layout, const wchar_t* section) {
    std::vector<wchar_t> buffer(1 << 16);
    const DWORD n = GetPrivateProfileStringW(section, nullptr, L"", buffer.data(), static_cast<DWORD>(buffer.size()),
                                             layout.Path().c_str());
    std::vector<std::wstring> keys;
    for (DWORD at = 0; at < n && buffer[at];) {
        keys.emplace_back(&buffer[at]);
        at += static_cast<DWORD>(keys.back().size()) + 1;
    }
    return keys;
}

bool WriteBmp24(const std::wstring& path, HBITMAP bitmap, int w, int h) {
    const int rowBytes = (w * 3 + 3) & ~3;
    std::vector<BYTE> pixels(static_cast<size_t>(rowBytes) * static_cast<size_t>(h));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;  // bottom-up, as the file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    const int lines = GetDIBits(screen, bitmap, 0, static_cast<UINT>(h), pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (lines != h) return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    info.bmiHeader.biSizeImage = static_cast<DWORD>(pixels.size());
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(out, &file, sizeof(file), &written, nullptr) != FALSE;
    ok = ok && WriteFile(out, &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) != FALSE;
    ok = ok && WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr) != FALSE;
    CloseHandle(out);
    return ok;
}

class SkinViewDialog : public CBaseDialog {
public:
    SkinViewDialog(const Options& options, std::wstring skinDirectory)
        : CBaseDialog(0, nullptr, options.layout, std::move(skinDirectory)), options_(options) {}
    int exitCode = 0;

protected:
    BOOL OnInitDialog() override {
        CBaseDialog::OnInitDialog();
        const std::wstring prefix = options_.imagePrefix.empty() ? DefaultPrefix(options_.layout) : options_.imagePrefix;
        const wchar_t* lookNames[4] = {L"normal.jpg", L"over.jpg", L"down.jpg", L"disable.jpg"};
        for (int i = 0; i < 4; ++i)
            kv::skin::RenderImageToSurface(images_[i], kv::skin::LoadSkinImageFile(Join(prefix + lookNames[i])), m_hWnd);
        kv::skin::RenderImageToSurface(arrow_, kv::skin::LoadSkinImageFile(Join(L"Arrow.jpg")), m_hWnd);

        SkinLooks looks{&images_[0], &images_[1], &images_[2], &images_[3], &images_[1]};
        if (options_.look >= 0) looks.fill(&images_[options_.look]);
        int id = kFirstButtonId;
        for (const std::wstring& key : KeysOf(Layout(), L"BUTTONINFO")) {
            auto button = std::make_unique<CPngButton>();
            if (!button->Create(m_hWnd, id++, L"", RECT{0, 0, 1, 1})) continue;
            if (key == L"LEFT_ARROW" || key == L"RIGHT_ARROW") {
                const std::wstring origin = key == L"LEFT_ARROW" ? L"DOWN_ARROW_LEFT1" : L"DOWN_ARROW_RIGHT1";
                kv::skin::PlaceArrow(*button, Layout(), L"BUTTONINFO", key.c_str(), L"BUTTONINFO2", origin.c_str(),
                                     &arrow_);
            } else {
                kv::skin::PlaceButton(*button, Layout(), L"BUTTONINFO", key.c_str(), looks);
            }
            button->SetTooltip(key.c_str(), true);
            if (options_.frames) button->SetFrame(FrameColour(id), true);
            buttons_.push_back(std::move(button));
        }
        std::printf("%zu controls placed from %ls\n", buttons_.size(), options_.layout.c_str());
        if (!options_.shot.empty()) PostMessageW(m_hWnd, kMsgShot, 0, 0);
        return TRUE;
    }

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case kMsgShot:
                exitCode = TakeShot() ? 0 : 1;
                EndDialog(IDOK);
                return TRUE;
            case WM_RBUTTONUP:
                EndDialog(IDCANCEL);
                return TRUE;
            default:
                return CBaseDialog::DialogProc(message, wParam, lParam);
        }
    }

private:
    std::wstring Join(const std::wstring& name) const {
        const std::wstring& dir = SkinDirectory();
        return dir.empty() || dir.back() == L'\\' ? dir + name : dir + L"\\" + name;
    }

    static COLORREF FrameColour(int id) {
        static const COLORREF kColours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 160, 255), RGB(255, 255, 0),
                                            RGB(255, 0, 255), RGB(0, 255, 255)};
        return kColours[static_cast<size_t>(id) % std::size(kColours)];
    }

    // Paints the window and its controls into a bitmap through their print handlers.
    bool TakeShot() {
        RECT client;
        GetClientRect(m_hWnd, &client);
        const int w = client.right, h = client.bottom;
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bitmap);
        SendMessageW(m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        for (HWND child = GetWindow(m_hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!(GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE)) continue;
            RECT rc;
            GetWindowRect(child, &rc);
            MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
            POINT was;
            SetViewportOrgEx(dc, rc.left, rc.top, &was);
            HRGN clip = CreateRectRgn(rc.left, rc.top, rc.right, rc.bottom);
            SelectClipRgn(dc, clip);
            SendMessageW(child, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
            SelectClipRgn(dc, nullptr);
            DeleteObject(clip);
            SetViewportOrgEx(dc, was.x, was.y, nullptr);
        }
        HRGN outline = CreateRectRgn(0, 0, 0, 0);
        if (GetWindowRgn(m_hWnd, outline) != ERROR) {
            HRGN outside = CreateRectRgn(0, 0, w, h);
            CombineRgn(outside, outside, outline, RGN_DIFF);
            FillRgn(dc, outside, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            DeleteObject(outside);
        }
        DeleteObject(outline);
        SelectObject(dc, old);
        DeleteDC(dc);
        const bool ok = WriteBmp24(options_.shot, bitmap, w, h);
        DeleteObject(bitmap);
        std::printf("%ls: %d x %d pixels at %d dpi%s\n", options_.shot.c_str(), w, h, Dpi(), ok ? "" : " (not written)");
        return ok;
    }

    const Options& options_;
    kv::skin::SkinSurface images_[4];
    kv::skin::SkinSurface arrow_;
    std::vector<std::unique_ptr<CPngButton>> buttons_;
};

int Usage() {
    std::fprintf(stderr,
                 "usage: skinview <layout.ini> [--look normal|hover|pressed|disabled] [--frames]\n"
                 "                [--images <prefix>] [--shot <picture.bmp>]\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    kv::RestrictLibrarySearch();
    // Like the program: aware of each monitor's density (per monitor, version 2).
    using SetAwarenessFn = BOOL(WINAPI*)(HANDLE);
    if (auto setAwareness = reinterpret_cast<SetAwarenessFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext"))))
        setAwareness(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)));

    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--frames") {
            options.frames = true;
        } else if (arg == L"--look" && i + 1 < argc) {
            const std::wstring look = argv[++i];
            const wchar_t* names[4] = {L"normal", L"hover", L"pressed", L"disabled"};
            for (int k = 0; k < 4; ++k)
                if (look == names[k]) options.look = k;
            if (options.look < 0) return Usage();
        } else if (arg == L"--images" && i + 1 < argc) {
            options.imagePrefix = argv[++i];
        } else if (arg == L"--shot" && i + 1 < argc) {
            options.shot = ToWindowsPath(argv[++i]);
        } else if (!arg.empty() && arg[0] != L'-' && options.layout.empty()) {
            options.layout = ToWindowsPath(arg);
        } else {
            return Usage();
        }
    }
    if (options.layout.empty()) return Usage();
    if (GetFileAttributesW(options.layout.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "skinview: no layout file %ls\n", options.layout.c_str());
        return 1;
    }
    const size_t slash = options.layout.find_last_of(L'\\');
    SkinViewDialog dialog(options, options.layout.substr(0, slash + 1));
    // A missing background ends the process inside the dialog with code 0, as in the program.
    if (dialog.DoModal() == -1) {
        std::fprintf(stderr, "skinview: the dialog could not be created\n");
        return 1;
    }
    return dialog.exitCode;
}
