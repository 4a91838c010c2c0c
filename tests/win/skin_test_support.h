// Small helpers for the skin framework's Windows tests: a scratch folder, BMP pictures written from a
// pixel function, layout files, and reading back what a control painted.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstddef>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace skintest {

// A fresh folder under the temporary folder, removed with everything in it at the end (unless the
// environment has KV_KEEP_SCRATCH).
class ScratchDir {
public:
    // fixedName: the same folder in every process (a death test's child re-runs the test body there).
    explicit ScratchDir(const wchar_t* fixedName = nullptr) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        static int counter = 0;
        path_ = std::wstring(temp) +
                (fixedName ? std::wstring(fixedName)
                           : L"kvskin_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter)) +
                L"\\";
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchDir() {
        if (GetEnvironmentVariableW(L"KV_KEEP_SCRATCH", nullptr, 0) != 0) return;  // to look at the files
        WIN32_FIND_DATAW fd;
        HANDLE find = FindFirstFileW((path_ + L"*").c_str(), &fd);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((path_ + fd.cFileName).c_str());
            } while (FindNextFileW(find, &fd));
            FindClose(find);
        }
        RemoveDirectoryW(path_.c_str());
    }
    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + name; }

private:
    std::wstring path_;
};

using PixelFn = std::function<uint32_t(int x, int y)>;  // 0xRRGGBB

// An uncompressed 24-bit BMP, bottom-up rows padded to four bytes.
inline bool WriteBmp(const std::wstring& path, int w, int h, const PixelFn& pixel) {
    const int rowBytes = (w * 3 + 3) & ~3;
    const uint32_t imageSize = static_cast<uint32_t>(rowBytes * h);
    std::vector<uint8_t> file(54 + imageSize, 0);
    auto put16 = [&](size_t at, uint16_t v) {
        file[at] = static_cast<uint8_t>(v);
        file[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(w));
    put32(22, static_cast<uint32_t>(h));
    put16(26, 1);
    put16(28, 24);
    put32(34, imageSize);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = file.data() + 54 + static_cast<size_t>(rowBytes) * static_cast<size_t>(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const uint32_t c = pixel(x, y);
            row[x * 3 + 0] = static_cast<uint8_t>(c);
            row[x * 3 + 1] = static_cast<uint8_t>(c >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(c >> 16);
        }
    }
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(f, file.data(), static_cast<DWORD>(file.size()), &written, nullptr) && written == file.size();
    CloseHandle(f);
    return ok;
}

// A GIF of up to four colours (palette index per pixel), written without compression: a clear code
// before every second pixel keeps the codes at three bits.
inline bool WriteGif(const std::wstring& path, int w, int h, const uint32_t (&palette)[4],
                     const std::function<int(int x, int y)>& index) {
    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a', static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8),
                                static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8), 0x81, 0, 0};
    for (uint32_t c : palette) {
        out.push_back(static_cast<uint8_t>(c >> 16));
        out.push_back(static_cast<uint8_t>(c >> 8));
        out.push_back(static_cast<uint8_t>(c));
    }
    const uint8_t descriptor[] = {0x2C, 0, 0, 0, 0, static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8),
                                  static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8), 0, 2};
    out.insert(out.end(), std::begin(descriptor), std::end(descriptor));
    std::vector<uint8_t> data;
    uint32_t bits = 0;
    int count = 0;
    auto emit = [&](uint32_t code) {
        bits |= code << count;
        count += 3;
        while (count >= 8) {
            data.push_back(static_cast<uint8_t>(bits));
            bits >>= 8;
            count -= 8;
        }
    };
    int n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (n++ % 2 == 0) emit(4);
            emit(static_cast<uint32_t>(index(x, y)));
        }
    emit(5);
    if (count > 0) data.push_back(static_cast<uint8_t>(bits));
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t len = std::min<size_t>(255, data.size() - at);
        out.push_back(static_cast<uint8_t>(len));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                   data.begin() + static_cast<std::ptrdiff_t>(at + len));
    }
    out.push_back(0);
    out.push_back(0x3B);
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(f, out.data(), static_cast<DWORD>(out.size()), &written, nullptr) && written == out.size();
    CloseHandle(f);
    return ok;
}

inline bool WriteText(const std::wstring& path, const std::string& text) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(f);
    return ok;
}

// What a window paints of its client area (through WM_PRINTCLIENT), as 0xRRGGBB pixels.
class Capture {
public:
    Capture(HWND window, UINT message = WM_PRINTCLIENT) {
        RECT rc;
        GetClientRect(window, &rc);
        w_ = rc.right;
        h_ = rc.bottom;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = w_;
        info.bmiHeader.biHeight = -h_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bmp = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bmp);
        RECT all{0, 0, w_, h_};
        HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
        FillRect(dc, &all, magenta);
        DeleteObject(magenta);
        SendMessageW(window, message, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        pixels_.assign(p, p + static_cast<size_t>(w_) * static_cast<size_t>(h_));
        for (uint32_t& v : pixels_) v &= 0xFFFFFF;
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    int Width() const { return w_; }
    int Height() const { return h_; }
    uint32_t At(int x, int y) const { return pixels_[static_cast<size_t>(y) * static_cast<size_t>(w_) + static_cast<size_t>(x)]; }

private:
    int w_ = 0;
    int h_ = 0;
    std::vector<uint32_t> pixels_;
};

inline std::string Hex(uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof(b), "%06X", static_cast<unsigned>(v));
    return b;
}

}  // namespace skintest

#include <objidl.h>
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "skin/picture.h"

namespace skintest {

// Each channel within the tolerance (lossy formats).
inline bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

// Saves a picture with the platform's encoder for the MIME type ("image/jpeg", "image/gif", "image/png").
inline bool EncodeWithPlatform(const kv::skin::Picture& picture, const wchar_t* mimeType, const std::wstring& path) {
    static ULONG_PTR token = [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR t = 0;
        Gdiplus::GdiplusStartup(&t, &input, nullptr);
        return t;
    }();
    (void)token;
    UINT count = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, encoders) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(encoders[i].MimeType, mimeType) != 0) continue;
        Gdiplus::Bitmap bitmap(picture.width, picture.height, picture.width * 4, PixelFormat32bppRGB,
                               reinterpret_cast<BYTE*>(const_cast<uint32_t*>(picture.pixels.data())));
        return bitmap.Save(path.c_str(), &encoders[i].Clsid, nullptr) == Gdiplus::Ok;
    }
    return false;
}

}  // namespace skintest
