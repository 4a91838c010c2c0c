// Turning a profile section of key slots into the keyboard's key table block and back.
#pragma once

#include <cstddef>

#include "keys/assignment_action_code.h"
#include "keys/assignment_table.h"
#include "macros/profile_data.h"

namespace kv {

// The action code a slot gives a position whose default code is d; macroPosition is the position of the
// slot's macro in the macro area being written. A slot type outside 0..8 keeps d.
[[nodiscard]] ActionCode EncodeSlot(const KeySlot& slot, ActionCode d, unsigned macroPosition);

// The 378-byte block of profile 0..2 from the snapshot's section; the caller holds the snapshot's lock.
// A macro's position is its position in the snapshot's macro list, the list whose area is written with it.
[[nodiscard]] KeyTableBlock BuildKeyTableBlock(const ProfileDataSnapshot& snapshot, unsigned profile,
                                               const KeyTableBlock& defaults);

// Fills the table's section from a block read from the keyboard: the section's slots are cleared (G-key
// tags set), then every position whose code differs from its default gives its key a slot. Never fails;
// unrecognised codes leave the key disabled. The string table is the caller's.
void DecodeKeyTableBlock(const KeyTableBlock& block, const KeyTableBlock& defaults, AssignmentTable table,
                         std::size_t section);

}  // namespace kv
