// The placement procedures every skinned window uses: a control is moved to the rectangle its layout
// key gives (skin pixels, scaled to the window's density) and an image button gets its picture origin and
// looks. Each placed control remembers its skin rectangle so a density change can place it again.
#pragma once

#include <windows.h>

#include <span>

#include "skin/ini_file.h"
#include "skin/png_button.h"
#include "skin/skin_rect.h"

namespace kv::skin {

// Moves the button to its rectangle, gives it the rectangle's origin and the five looks and repaints
// it; a button whose rectangle starts at 1,1 is disabled.
void PlaceButton(CPngButton& button, const CIniFile& layout, const wchar_t* section, const wchar_t* key,
                 const SkinLooks& looks);
// Moves any control to its rectangle without repainting.
void PlaceControl(HWND control, const CIniFile& layout, const wchar_t* section, const wchar_t* key);
// Moves a control to its rectangle's corner, keeping its present size, and repaints it.
void MoveControl(HWND control, const CIniFile& layout, const wchar_t* section, const wchar_t* key);
// Moves the button to the rectangle of key; its pictures are cut at the x and y of originKey in
// originSection, from one image for all five looks.
void PlaceArrow(CPngButton& button, const CIniFile& layout, const wchar_t* section, const wchar_t* key,
                const wchar_t* originSection, const wchar_t* originKey, SkinSurface* image);

// The caption colours of the program's text buttons (normal, hover, pressed, disabled, checked).
inline constexpr CaptionColours kTextButtonColours{0xFFFFFF, 0x0082FF, 0x049BFF, 0x7F7F7F, 0xFF6400};

// One text button of a dialog: its control, control id and layout key.
struct TextButton {
    CPngButton& button;
    int id;
    const wchar_t* key;
};
// Takes over each dialog item, places it from section "BUTTONINFO" with the looks, and gives it the text
// buttons' caption: "Arial Unicode MS" 10 points, centred on one line.
void PlaceTextButtons(HWND dialog, const CIniFile& layout, std::span<const TextButton> buttons,
                      const SkinLooks& looks);

// Places a control at a skin rectangle (the procedures above, after reading it).
void PlaceAt(HWND control, const SkinRect& rect, bool repaint);
// The skin rectangle a control was last placed at; false when it was never placed.
bool PlacedRect(HWND control, SkinRect& rect);
// After the dialog's density changed: every placed child goes to its skin rectangle at the new density,
// every other child is scaled from the old density.
void ReplaceChildren(HWND dialog, int oldDpi, int newDpi);

}  // namespace kv::skin
