// The catalogues of fixed actions a key can be given besides another key or a macro: multimedia and
// browser functions, the keyboard's own functions and mouse actions. Constant lists whose order is part
// of the stored assignments and of the keyboard's encoding (a slot stores the list index). Pure lookups,
// callable from any thread.
#pragma once

#include <cstdint>

#include "keys/key_catalogue.h"

namespace kv {

inline constexpr int kNoMediaIndex = -1;

// Multimedia list: a media assignment stores the index 0-17; the keyboard is sent the consumer usage.
inline constexpr int MediaCount = 18;
[[nodiscard]] KeyCode MediaKeyCode(int index);        // 0 outside 0-17
[[nodiscard]] uint16_t MediaUsage(int index);         // 0 outside 0-17
[[nodiscard]] int MediaIndexOfUsage(uint16_t usage);  // first index with the usage, kNoMediaIndex for none
[[nodiscard]] const char* MediaNameKey(int index);    // the name key of its catalogue row; "" outside

// Function list: a function assignment stores the index 0-10 ("FUNC_KEY_DESC1" ... "FUNC_KEY_DESC11").
inline constexpr int FunctionCount = 11;
[[nodiscard]] const char* FunctionNameKey(int index);  // "" outside 0-10

// Mouse list: the chosen entry is stored as a key assignment with the entry's key code.
inline constexpr int MouseCount = 5;
[[nodiscard]] KeyCode MouseKeyCode(int index);         // 0 outside 0-4
[[nodiscard]] const char* MouseNameKey(int index);     // "" outside 0-4

// True for the 18 multimedia key codes; key capture ignores them.
[[nodiscard]] bool IsMultimediaKey(KeyCode code);

}  // namespace kv
