// Threads: a surface is rendered and used on its window's thread only. LoadSkinImageFile may run on any
// thread; its table of decoded pictures is guarded by its own lock.
#include "skin/skin_image.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "skin/dpi_scale.h"
#include "skin/window_dpi.h"

namespace kv::skin {

SkinSurface::~SkinSurface() { Release(); }

void SkinSurface::Release() {
    if (dc_) {
        SelectObject(dc_, oldBitmap_);
        DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    oldBitmap_ = nullptr;
    size_ = {};
}

HDC SkinSurface::Prepare() {
    if (image_.Empty()) return nullptr;
    if (window_ && IsWindow(window_) && WindowDpi(window_) != dpi_) Render();
    return dc_;
}

void SkinSurface::Render() {
    Release();
    dpi_ = window_ ? WindowDpi(window_) : kSkinDpi;
    const Picture* picture = image_.Get();
    if (!picture) return;
    RECT client{};
    if (window_) GetClientRect(window_, &client);
    const int margin = ScaleToDpi(100, dpi_);
    const int w = std::max<int>(client.right + margin, 1);
    const int h = std::max<int>(client.bottom + margin, 1);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    bitmap_ = dc_ ? CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!bitmap_) {
        Release();
        return;
    }
    oldBitmap_ = SelectObject(dc_, bitmap_);
    size_ = {w, h};
    DrawPicture(dc_, *picture, dpi_);
}

void RenderImageToSurface(SkinSurface& target, const SkinImage& image, HWND window) {
    target.image_ = image;
    target.window_ = window;
    target.Render();
}

std::wstring ProgramDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return L".\\";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L".\\" : path.substr(0, slash + 1);
}

SkinImage LoadSkinImageFile(const std::wstring& path) {
    // A file named twice (the main window loads its four look pictures twice) is decoded once while
    // any image of it lives.
    static std::mutex lock;
    static std::map<std::wstring, std::weak_ptr<const Picture>> decoded;
    std::lock_guard<std::mutex> guard(lock);
    std::weak_ptr<const Picture>& slot = decoded[path];
    std::shared_ptr<const Picture> picture = slot.lock();
    if (!picture) {
        picture = DecodePictureFile(path);
        slot = picture;
    }
    return SkinImage(std::move(picture));
}

SkinImage LoadSkinImage(const std::wstring& programRelativeName) {
    return LoadSkinImageFile(ProgramDirectory() + programRelativeName);
}

}  // namespace kv::skin
