// Skin pictures: a file decoded once (BMP, JPEG, GIF, PNG, by the platform's image library) into
// 32-bit pixels, and rendered at a display density into a bitmap the window copies from.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kv::skin {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, rows top to bottom, no padding
};

// Reads the whole file and decodes it; nullptr when it is missing, unreadable or not a picture.
std::shared_ptr<const Picture> DecodePictureFile(const std::wstring& path);

// The picture at the density: dpi / 96 times its size, smoothed with high-quality bicubic filtering when
// it is scaled, copied exactly at 96. A top-down 32-bit DIB section; nullptr when it cannot be created.
HBITMAP RenderPicture(const Picture& picture, int dpi);

// Draws the picture at the density into a device context at (0, 0), the same way.
void DrawPicture(HDC target, const Picture& picture, int dpi);

}  // namespace kv::skin
