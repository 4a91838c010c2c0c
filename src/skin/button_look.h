// Which of its five pictures an image button shows, and where a rotated caption goes.
#pragma once

namespace kv::skin {

enum class ButtonLook { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3, Checked = 4 };
inline constexpr int kButtonLookCount = 5;

// First match wins: a disabled button never shows its pressed, hover or checked look.
constexpr ButtonLook ChooseLook(bool disabled, bool pressed, bool hover, bool checked) {
    if (disabled) return ButtonLook::Disabled;
    if (pressed) return ButtonLook::Pressed;
    if (hover) return ButtonLook::Hover;
    if (checked) return ButtonLook::Checked;
    return ButtonLook::Normal;
}

struct CaptionRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const CaptionRect&, const CaptionRect&) = default;
};

// A caption drawn at an angle (escapement in tenths of a degree) with text extent
// textWidth x textHeight is centred in the rectangle by moving its left and bottom edges:
// the unrotated text's horizontal and vertical reach is taken off the free space, halved, and
// corrected by half the text height turned by the same angle. Every product truncates toward zero.
CaptionRect CentreRotatedCaption(CaptionRect rect, int textWidth, int textHeight, int escapement);

}  // namespace kv::skin
