// Action codes: the three bytes the keyboard stores per position of its key matrix, 126 of them in a
// profile's 378-byte key table block. Which key sits at a position is known only from the keyboard's
// default key table, read at every attach; the built-in one stands in until then.
#pragma once

#include <array>
#include <cstdint>

#include "device/commands.h"
#include "keys/key_catalogue.h"

namespace kv {

inline constexpr std::size_t kKeyTablePositions = 126;
static_assert(kKeyTablePositions * 3 == kKeyTableSize);

using KeyTableBlock = std::array<uint8_t, kKeyTableSize>;

struct ActionCode {
    uint8_t b0 = 0, b1 = 0, b2 = 0;
    bool operator==(const ActionCode&) const = default;
};

[[nodiscard]] inline ActionCode ActionCodeAt(const KeyTableBlock& block, std::size_t position) {
    return {block[3 * position], block[3 * position + 1], block[3 * position + 2]};
}
inline void SetActionCodeAt(KeyTableBlock& block, std::size_t position, ActionCode c) {
    block[3 * position] = c.b0;
    block[3 * position + 1] = c.b1;
    block[3 * position + 2] = c.b2;
}

// The key an action code names, 0 for none (macro and keyboard-function codes included).
[[nodiscard]] KeyCode KeyCodeOfActionCode(ActionCode code);

// The factory key table the program knows without a keyboard.
[[nodiscard]] const KeyTableBlock& BuiltInDefaultKeyTable();

// The default key table in use: the built-in one until the keyboard's is read at attach. Copies, so the
// attach handling can replace it while a write reads it.
[[nodiscard]] KeyTableBlock CurrentDefaultKeyTable();
void SetCurrentDefaultKeyTable(const KeyTableBlock& table);

}  // namespace kv
