// The prompt (tool tip) of a key button: the key's name, and when it has an assignment, what it does.
#pragma once

#include <cstddef>
#include <string>

#include "keys/assignment_table.h"
#include "keys/key_catalogue.h"
#include "macros/profile_data.h"
#include "skin/language_text_source.h"

namespace kv {

inline constexpr std::size_t kPromptCapacity = 260;  // characters, terminator included

struct AssignmentPrompt {
    std::wstring text;          // at most 259 characters
    bool assignedLook = false;  // the button shows its assigned look (any type but 0)
};

// gButton: 0..8 for a G-key button (named "G%d" with gButton + 1), -1 for a picture key named by KeyName.
// Macro names come from `data` under its lock; the caller must not hold it.
[[nodiscard]] AssignmentPrompt DescribeAssignment(int gButton, KeyCode key, const KeySlot& slot, const ProfileData& data,
                                                  const TextSource& texts);

// The text cut to capacity - 1 characters without splitting a surrogate pair.
[[nodiscard]] std::wstring CutToCapacity(std::wstring text, std::size_t capacity);

}  // namespace kv
