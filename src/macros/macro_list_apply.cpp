#include "macros/macro_list_apply.h"

#include <array>

namespace kv {

std::vector<SlotRef> ApplyMacroList(ProfileData& data, std::vector<MacroRecord> list) {
    if (list.size() > kMaxMacros) list.resize(kMaxMacros);
    std::vector<SlotRef> reset;
    std::lock_guard<std::mutex> hold(data.lock);
    ProfileContent& c = data.content;
    for (std::size_t section = 0; section < kSectionCount; ++section) {
        for (std::size_t k = 0; k < kSlotsPerSection; ++k) {
            KeySlot slot = ReadSlot(c.Table(), section, k);
            if (slot.type != ASSIGN_MACRO) continue;
            if (slot.value != 0) {
                const MacroRecord* holder = nullptr;
                for (const MacroRecord& m : list)
                    if (m.id == slot.value) {
                        holder = &m;
                        break;
                    }
                if (holder == nullptr || holder->isNew == 1) {
                    slot.type = ASSIGN_DEFAULT;
                    WriteSlot(c.Table(), section, k, slot);
                    reset.push_back({section, k});
                }
            } else if (!list.empty()) {
                slot.value = list.front().id;
                WriteSlot(c.Table(), section, k, slot);
            }
        }
    }
    for (MacroRecord& m : list) m.isNew = 0;
    c.macros = std::move(list);
    return reset;
}

uint16_t LowestFreeMacroId(const std::vector<MacroRecord>& list) {
    std::array<bool, kMaxMacroId + 1> used{};
    for (const MacroRecord& m : list)
        if (m.id <= kMaxMacroId) used[m.id] = true;
    for (uint16_t id = 1; id <= kMaxMacroId; ++id)
        if (!used[id]) return id;
    return 0;
}

}  // namespace kv
