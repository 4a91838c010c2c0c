// The colours the owner-drawn widgets paint with: the skin's dark graphite surface with its orange
// accent, so lists, combos, check boxes and labels sit on the skinned pictures without a seam.
// Colours are 24-bit values red | green << 8 | blue << 16, as the drawing functions take them.
#pragma once

#include <cstdint>

namespace kv::widgets {

using Colour = uint32_t;

constexpr Colour Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}

struct Palette {
    Colour face;          // list, edit and box background (the skin's wells)
    Colour text;          // normal text
    Colour dimText;       // secondary cells and disabled labels
    Colour faintText;     // disabled controls
    Colour edge;          // frames of wells and boxes
    Colour grid;          // hairlines between rows and columns
    Colour headerFace;    // column headers, the combo's button
    Colour headerText;
    Colour selectedFace;  // the selected row or item
    Colour selectedText;
    Colour accent;        // focus, hover, checked marks
    Colour accentDark;    // the check mark on the accent fill
    Colour hoverFace;     // an item under the mouse
    Colour stripeFace;    // every other row of a long list
};

inline constexpr Palette kSkinPalette = {
    Rgb(0x0e, 0x10, 0x13),  // face
    Rgb(0xe6, 0xe8, 0xeb),  // text
    Rgb(0x8b, 0x91, 0x9a),  // dimText
    Rgb(0x5a, 0x60, 0x69),  // faintText
    Rgb(0x30, 0x35, 0x3d),  // edge
    Rgb(0x1c, 0x1f, 0x24),  // grid
    Rgb(0x1b, 0x1e, 0x23),  // headerFace
    Rgb(0x8b, 0x91, 0x9a),  // headerText
    Rgb(0x3a, 0x25, 0x0f),  // selectedFace
    Rgb(0xff, 0xb3, 0x66),  // selectedText
    Rgb(0xff, 0x82, 0x00),  // accent
    Rgb(0x1a, 0x10, 0x04),  // accentDark
    Rgb(0x1f, 0x22, 0x28),  // hoverFace
    Rgb(0x12, 0x14, 0x18),  // stripeFace
};

// The face the widgets write with and its size in points at 96 pixels per inch; the windows that use
// them may choose another.
inline constexpr wchar_t kWidgetFontFace[] = L"Arial Unicode MS";
inline constexpr int kWidgetFontPoints = 9;

}  // namespace kv::widgets
