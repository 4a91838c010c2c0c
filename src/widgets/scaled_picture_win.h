// A skin picture kept rendered at the density it was last drawn at (rendered again when that changes).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "skin/picture.h"

namespace kv::widgets {

class ScaledPicture {
public:
    ScaledPicture() = default;
    explicit ScaledPicture(std::shared_ptr<const skin::Picture> picture) : picture_(std::move(picture)) {}
    ~ScaledPicture() { Release(); }
    ScaledPicture(ScaledPicture&& other) noexcept { *this = std::move(other); }
    ScaledPicture& operator=(ScaledPicture&& other) noexcept;
    ScaledPicture(const ScaledPicture&) = delete;
    ScaledPicture& operator=(const ScaledPicture&) = delete;

    // From a full path; empty (draws nothing) when the file cannot be read.
    [[nodiscard]] static ScaledPicture Load(const std::wstring& path);
    [[nodiscard]] bool Empty() const { return picture_ == nullptr; }
    // Draws the picture at the density with its top-left corner at (x, y).
    void Draw(HDC dc, int x, int y, int dpi);

private:
    void Release();
    std::shared_ptr<const skin::Picture> picture_;
    HBITMAP bitmap_ = nullptr;
    int dpi_ = 0;
};

}  // namespace kv::widgets
