// Threads: pictures are decoded and rendered on the calling window's thread; the image library is
// started once for the process (std::call_once), after which any thread may use it.
#include "skin/picture.h"

#include <objidl.h>
#include <shlwapi.h>

#include <algorithm>
#include <mutex>

// GDI+ needs min and max in scope, which NOMINMAX takes away.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "skin/dpi_scale.h"

namespace kv::skin {
namespace {

// The image library is started once for the whole run and never shut down: pictures may be decoded on
// any window's thread at any time, and the process ends without tearing it down.
bool EnsureImageLibrary() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        started = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    });
    return started;
}

bool ReadWholeFile(const std::wstring& path, std::vector<BYTE>& out) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != FALSE && size.QuadPart > 0 && size.QuadPart < (256LL << 20);
    if (ok) {
        out.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = ReadFile(file, out.data(), static_cast<DWORD>(out.size()), &read, nullptr) != FALSE &&
             read == out.size();
    }
    CloseHandle(file);
    return ok;
}

}  // namespace

std::shared_ptr<const Picture> DecodePictureFile(const std::wstring& path) {
    std::vector<BYTE> bytes;
    if (!ReadWholeFile(path, bytes) || !EnsureImageLibrary()) return nullptr;
    IStream* stream = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
    if (!stream) return nullptr;
    std::shared_ptr<Picture> picture;
    {
        Gdiplus::Bitmap bitmap(stream);
        if (bitmap.GetLastStatus() == Gdiplus::Ok && bitmap.GetWidth() > 0 && bitmap.GetHeight() > 0 &&
            bitmap.GetWidth() <= 16384 && bitmap.GetHeight() <= 16384) {
            const int w = static_cast<int>(bitmap.GetWidth());
            const int h = static_cast<int>(bitmap.GetHeight());
            auto decoded = std::make_shared<Picture>();
            decoded->width = w;
            decoded->height = h;
            decoded->pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
            Gdiplus::BitmapData data{};
            data.Width = static_cast<UINT>(w);
            data.Height = static_cast<UINT>(h);
            data.Stride = w * 4;
            data.PixelFormat = PixelFormat32bppRGB;
            data.Scan0 = decoded->pixels.data();
            Gdiplus::Rect all(0, 0, w, h);
            if (bitmap.LockBits(&all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                PixelFormat32bppRGB, &data) == Gdiplus::Ok) {
                bitmap.UnlockBits(&data);
                for (uint32_t& p : decoded->pixels) p &= 0xFFFFFF;
                picture = std::move(decoded);
            }
        }
    }
    stream->Release();
    return picture;
}

void DrawPicture(HDC target, const Picture& picture, int dpi) {
    if (picture.width <= 0 || picture.height <= 0) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    if (dpi == kSkinDpi || !EnsureImageLibrary()) {
        // At the skin's own density every pixel is copied as it is.
        const int w = ScaleToDpi(picture.width, dpi);
        const int h = ScaleToDpi(picture.height, dpi);
        SetStretchBltMode(target, HALFTONE);
        StretchDIBits(target, 0, 0, w, h, 0, 0, picture.width, picture.height, picture.pixels.data(), &info,
                      DIB_RGB_COLORS, SRCCOPY);
        return;
    }
    Gdiplus::Bitmap source(picture.width, picture.height, picture.width * 4, PixelFormat32bppRGB,
                           reinterpret_cast<BYTE*>(const_cast<uint32_t*>(picture.pixels.data())));
    Gdiplus::Graphics graphics(target);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHighQuality);
    graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    // Mirrored edges keep the filter from pulling black in at the picture's border.
    Gdiplus::ImageAttributes attributes;
    attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    const Gdiplus::Rect dest(0, 0, ScaleToDpi(picture.width, dpi), ScaleToDpi(picture.height, dpi));
    graphics.DrawImage(&source, dest, 0, 0, picture.width, picture.height, Gdiplus::UnitPixel, &attributes);
}

HBITMAP RenderPicture(const Picture& picture, int dpi) {
    const int w = ScaleToDpi(picture.width, dpi);
    const int h = ScaleToDpi(picture.height, dpi);
    if (w <= 0 || h <= 0) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DrawPicture(dc, picture, dpi);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

}  // namespace kv::skin
