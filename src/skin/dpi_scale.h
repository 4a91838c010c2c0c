// The skin is drawn for 96 pixels per inch. On a display scaled to another density every skin
// coordinate is multiplied by dpi / 96; edges are scaled (not sizes), so neighbouring rectangles stay
// flush and a control's picture cut still lines up with the scaled full-window image.
#pragma once

namespace kv::skin {

inline constexpr int kSkinDpi = 96;

// v * dpi / 96 rounded to the nearest integer, halves away from zero (as the platform's MulDiv does).
constexpr int ScaleToDpi(int v, int dpi) {
    const long long p = static_cast<long long>(v) * dpi;
    return static_cast<int>(p >= 0 ? (p + kSkinDpi / 2) / kSkinDpi : -((-p + kSkinDpi / 2) / kSkinDpi));
}

// Inverse for sizes measured on screen; used when a control placed at one density must be re-placed.
constexpr int UnscaleFromDpi(int v, int dpi) {
    if (dpi <= 0) return v;
    const long long p = static_cast<long long>(v) * kSkinDpi;
    return static_cast<int>(p >= 0 ? (p + dpi / 2) / dpi : -((-p + dpi / 2) / dpi));
}

struct ScaledBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const ScaledBox&, const ScaledBox&) = default;
};

// Skin rectangle (x, y, w, h) to screen edges at the given density.
constexpr ScaledBox ScaleBox(int x, int y, int w, int h, int dpi) {
    return {ScaleToDpi(x, dpi), ScaleToDpi(y, dpi), ScaleToDpi(x + w, dpi), ScaleToDpi(y + h, dpi)};
}

}  // namespace kv::skin
