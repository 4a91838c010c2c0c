// A one-line caption too wide for its box drawn in a smaller font (see text_fit.h).
#pragma once

#include <windows.h>

namespace kv::skin {

// The font to draw `text` in so that it fits `room` pixels: nullptr when the font selected in dc already
// fits it, else a new font like it but smaller, down to the floor (the caller deletes it). The dc keeps
// the font it had.
[[nodiscard]] HFONT SmallerFontToFit(HDC dc, const wchar_t* text, int length, int room);

}  // namespace kv::skin
