// Writing the working profile data to the keyboard: snapshot, capacity check, macro area, key table
// blocks, all in one begin/end bracket. Runs on a worker thread; nothing here shows a message.
#pragma once

#include <cstddef>
#include <optional>

#include "keys/assignment_action_code.h"
#include "macros/keyboard_data_link.h"
#include "macros/profile_data.h"

namespace kv {

inline constexpr char kMessageMacroTooLong[] = "EXTRA_MACRO_TOO_LONG";
inline constexpr char kMessageProfileSpaceTight[] = "EXTRA_PROFILE_SPACE_TIGHT";

struct ProfileWriteOutcome {
    int result = 0;                  // the last key table block write's result; 0 when nothing was written
    bool written = false;            // the bracket was sent
    bool namesIncluded = false;
    std::size_t areaLength = 0;      // bytes of macro area written
    const char* messageKey = nullptr;  // language key of the message box the caller shows, or null
};

// Takes the snapshot (holding its lock to the end, and ProfileData's for the copy), measures the macro
// area against capacity (bytes), encodes it with names when they fit, builds the key table block of each
// profile concerned (all three, or only `onlyProfile`) and sends SendBegin, WriteMacroArea, WriteKeyTable
// for each, SendEnd. A failing report does not stop the sequence.
[[nodiscard]] ProfileWriteOutcome CreateSnapshotAndWrite(ProfileData& data, ProfileDataSnapshot& snapshot,
                                                         KeyboardDataLink& link, std::size_t capacity,
                                                         const KeyTableBlock& defaults,
                                                         std::optional<unsigned> onlyProfile);

}  // namespace kv
