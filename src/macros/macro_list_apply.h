// Applying the macro page's list to the working data: key slots bound to a macro that is gone (or whose
// identifier was freed and handed out again) return to their default; slots bound to no identifier take
// the list's first macro; the list replaces the macro array.
#pragma once

#include <cstddef>
#include <vector>

#include "macros/profile_data.h"

namespace kv {

struct SlotRef {
    std::size_t section;
    std::size_t keyIndex;
    bool operator==(const SlotRef&) const = default;
};

// Under the ProfileData lock. Returns the slots whose type went back to default, for the window to refresh.
// The list is cut to 100 macros; the new-macro flags are cleared in the stored records.
std::vector<SlotRef> ApplyMacroList(ProfileData& data, std::vector<MacroRecord> list);

// The lowest identifier 1..100 that no macro of the list uses, 0 when all are taken.
[[nodiscard]] uint16_t LowestFreeMacroId(const std::vector<MacroRecord>& list);

}  // namespace kv
