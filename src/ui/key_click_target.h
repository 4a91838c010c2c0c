// Which key a click on the keyboard picture means: the key index the key assignment dialog opens on and
// whether it opens with its macro flag (G9, and the macro button, which clicks G9). Pure functions.
#pragma once

#include <optional>

namespace kv {

inline constexpr int kMacroGKeyControl = 1143;  // G9: the macro button clicks it too

struct KeyClickTarget {
    int keyIndex = 0;       // slot of the key in a profile section of the key table
    int gButton = -1;       // 0-8 for a G-key button, -1 for a key of the picture
    bool macroFlag = false;  // the dialog opens on its macro page
};

// bank: 0 = A, 1 = B (G-key j has slot j or j + 9, key index 0x100 + slot). No value for a control that is
// neither a G-key nor one of the 105 keys of the picture.
[[nodiscard]] std::optional<KeyClickTarget> TargetOfKeyControl(int controlId, int bank);

}  // namespace kv
