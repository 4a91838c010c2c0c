// Changing key slots of the working profile data: storing one assignment, clearing a section, resetting a
// profile's keys to their defaults. Each takes the ProfileData lock; callers must not hold it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "keys/assignment_table.h"
#include "macros/profile_data.h"

namespace kv {

// Writes type, tag and value into slot (profile, keyIndex); the lighting flag and reserved word keep their
// contents and the slot's text is freed. tag 0 means the slot's own tag (the G-key tag, else 0); a macro
// assignment from the key dialog passes its repeat count. False, nothing changed, when profile is not
// 0..2 or keyIndex not 0..511.
[[nodiscard]] bool StoreAssignment(ProfileData& data, unsigned profile, unsigned keyIndex, uint16_t type, uint16_t tag,
                                   uint32_t value);
// The same for a program (3) or text (6) assignment, which carries a text in the string table.
[[nodiscard]] bool StoreTextAssignment(ProfileData& data, unsigned profile, unsigned keyIndex, uint16_t type,
                                       std::u16string_view text);

// Every slot of the section zeroed, the G-key tags set, the section's texts freed.
void ClearSection(ProfileContent& content, std::size_t section);

// The slots of the bank's nine G-keys and of the 105 picture keys in the profile's section zeroed entirely,
// their texts freed. The main window refreshes its buttons afterwards.
void ResetKeysToDefault(ProfileData& data, unsigned profile, unsigned bank);

}  // namespace kv
