// The keyboard's LED numbering: 6 rows × 21 columns (LED = row × 21 + column) for the 105 keys of the
// picture, Fn (110) and the G-keys, which all share LED 125.
#pragma once

#include <cstdint>

#include "keys/key_catalogue.h"

namespace kv {

inline constexpr int kLedCount = 126;
inline constexpr int kLedColumns = 21;
inline constexpr int kLedRows = 6;
inline constexpr int kFnLed = 110;
inline constexpr int kGKeyLed = 125;
inline constexpr int kNoLed = -1;

// The LED of a picture key's code, kNoLed for a code that is not on the picture.
[[nodiscard]] int LedOfKeyCode(KeyCode code);
// The LED of a main-window control: the 105 key buttons, G1-G9 (125) and Fn (110); kNoLed otherwise.
[[nodiscard]] int LedOfControl(int controlId);
// The LEDs the settings file keeps: the 105 picture keys in picture order, then Fn and the G-keys.
inline constexpr int kStoredLedCount = kPictureKeyCount + 2;
[[nodiscard]] int StoredLed(int i);  // 0 .. kStoredLedCount-1
[[nodiscard]] bool IsStoredLed(int led);

}  // namespace kv
