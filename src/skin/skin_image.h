// Image surfaces: a full-window skin image decoded once and rendered once into an off-screen surface at
// the window's display density; buttons copy their rectangles out of it. When the window moves to a
// monitor of another density the surface renders itself again the next time it is used.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "skin/picture.h"

namespace kv::skin {

// A decoded skin image; empty (draws nothing) when its file could not be read.
class SkinImage {
public:
    SkinImage() = default;
    explicit SkinImage(std::shared_ptr<const Picture> picture) : picture_(std::move(picture)) {}
    bool Empty() const { return picture_ == nullptr; }
    const Picture* Get() const { return picture_.get(); }

private:
    std::shared_ptr<const Picture> picture_;
};

class SkinSurface {
public:
    SkinSurface() = default;
    ~SkinSurface();
    SkinSurface(const SkinSurface&) = delete;
    SkinSurface& operator=(const SkinSurface&) = delete;

    // The surface at its window's present density (rendering it again if that changed), or nullptr when
    // it holds nothing to draw.
    HDC Prepare();
    int Dpi() const { return dpi_; }
    SIZE Size() const { return size_; }
    void Release();

private:
    friend void RenderImageToSurface(SkinSurface& target, const SkinImage& image, HWND window);
    void Render();

    SkinImage image_;
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    int dpi_ = 0;
    SIZE size_{};
};

// Joins the program's folder with a program-relative name ("Skins\\main_normal.jpg") and decodes it.
SkinImage LoadSkinImage(const std::wstring& programRelativeName);
// The same for a full path.
SkinImage LoadSkinImageFile(const std::wstring& path);

// Renders the image into the surface: as large as the window's client area plus 100 skin pixels right
// and down, the image at its top-left corner scaled to the window's density.
void RenderImageToSurface(SkinSurface& target, const SkinImage& image, HWND window);

// The folder of the running program, with a trailing backslash.
std::wstring ProgramDirectory();

}  // namespace kv::skin
