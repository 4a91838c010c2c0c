// Rectangles of the skin layout files: "x,y,width,height" in pixels of the window's client area, as the
// skin was drawn (96 pixels per inch), and where a button's pictures are cut from the full-window images.
#pragma once

#include <string_view>

namespace kv::skin {

struct SkinRect {
    int x = 1;
    int y = 1;
    int width = 1;
    int height = 1;

    friend bool operator==(const SkinRect&, const SkinRect&) = default;
};

// What a missing key reads as; a control placed there sits one pixel in, one pixel large.
inline constexpr SkinRect kDefaultSkinRect{1, 1, 1, 1};
inline constexpr wchar_t kDefaultSkinRectText[] = L"1,1,1,1,x";

// Reads "%d,%d,%d,%d": each number may have leading blanks and a sign, the commas follow the digits
// directly, anything after the fourth number is ignored. A value that does not begin with four such
// numbers (or has one outside the int range) reads as the default 1,1,1,1 as a whole.
SkinRect ParseSkinRect(std::wstring_view text);

// A control whose rectangle starts at 1,1 has no place in this skin: a button there is disabled.
constexpr bool IsUnplaced(const SkinRect& r) { return r.x == 1 && r.y == 1; }

struct SkinPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const SkinPoint&, const SkinPoint&) = default;
};

// The full-window images lie one pixel up and left of the buttons: a button whose picture origin is
// (x, y) shows the part of each image starting at (x - 1, y - 1).
constexpr SkinPoint PictureCutOrigin(int originX, int originY) { return {originX - 1, originY - 1}; }

}  // namespace kv::skin
