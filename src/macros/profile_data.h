// The working profile data set: the assignment table of all profiles, the macros and the texts that key
// assignments carry. One ProfileData for the program, guarded by its lock; a ProfileDataSnapshot is copied
// from it right before a write to the keyboard so editing can go on while reports are exchanged.
//
// Threads: the user-interface thread (dialogs, import, profile manager) and worker threads (apply, device
// events) both use ProfileData, each holding `lock` for the whole access. The write sequence holds the
// snapshot's lock from the copy to the end of the exchange. Lock order: snapshot lock, then ProfileData lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "keys/assignment_table.h"
#include "macros/macro_record.h"

namespace kv {

// One entry of the string table: a program path or a text block, stored with its terminator.
struct TextEntry {
    bool present = false;
    std::u16string text;  // without the terminator
    [[nodiscard]] uint32_t ByteLength() const {
        return present ? static_cast<uint32_t>((text.size() + 1) * 2) : 0;
    }
    bool operator==(const TextEntry&) const = default;
};

// The data of a profile data set, without its lock.
struct ProfileContent {
    std::vector<uint8_t> table;       // kAssignmentTableSize bytes
    std::vector<MacroRecord> macros;  // at most kMaxMacros, in list order
    std::vector<TextEntry> texts;     // kSlotCount entries, one per key slot
    uint32_t textTotal = 0;           // sum of the entries' byte lengths

    ProfileContent();  // the default block: header for no macros and no strings, G-key tags of section 0

    [[nodiscard]] AssignmentTable Table() { return AssignmentTable(table.data(), kAssignmentTableSize); }
    [[nodiscard]] ConstAssignmentTable Table() const {
        return ConstAssignmentTable(table.data(), kAssignmentTableSize);
    }
    void SetText(std::size_t slotNumber, std::u16string_view text);
    void ClearText(std::size_t slotNumber);
    void ClearAllTexts();
    bool operator==(const ProfileContent&) const = default;
};

struct ProfileData {
    mutable std::mutex lock;
    ProfileContent content;
    // Whether content is what the keyboard holds (read from it in full, or written to it in full), apart
    // from the edits made since. While it is not, readBase is the content as the failed read left it (the
    // default block, or the three key tables without the macros), so the edits made since can be told apart
    // from what stands in for the keyboard's data, and a write first reads the keyboard again.
    bool fromKeyboard = false;
    ProfileContent readBase;
};

// The copy that a write to the keyboard encodes from.
struct ProfileDataSnapshot {
    mutable std::mutex lock;
    std::vector<uint8_t> table;          // the assignment table, header rewritten, text slots pointing into strings
    std::vector<MacroRecord> macros;
    std::vector<uint8_t> strings;        // the packed string area
    [[nodiscard]] ConstAssignmentTable Table() const {
        return ConstAssignmentTable(table.data(), kAssignmentTableSize);
    }
};

// The program's single instances.
[[nodiscard]] ProfileData& TheProfileData();
[[nodiscard]] ProfileDataSnapshot& TheProfileDataSnapshot();

// Packs the texts of slots of types 3 and 6 in slot order, each right after the previous one, and sets each
// such slot's value to its text's offset in `table` (a copy of content.table). The area is textTotal bytes;
// a text that would end beyond it is left out and its slot's value set to 0.
[[nodiscard]] std::vector<uint8_t> PackTexts(const ProfileContent& content, std::span<uint8_t, kAssignmentTableSize> table);

// 0-based position of the first macro with that identifier, 0 when none has it.
[[nodiscard]] unsigned PositionOfMacroId(const std::vector<MacroRecord>& macros, uint32_t id);
// The same over the working data, under its lock.
[[nodiscard]] unsigned PositionOfMacroId(const ProfileData& data, uint32_t id);

// Copies ProfileData into the snapshot (the caller holds the snapshot's lock; ProfileData's lock is taken
// here): the table with its file header rewritten, the macros, and the packed texts.
void TakeSnapshot(const ProfileData& data, ProfileDataSnapshot& snapshot);

}  // namespace kv
