// One macro as the program keeps it in memory and in profile data files: a fixed 16512-byte record of a
// name, a few settings and up to 2000 timed key actions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kv {

inline constexpr std::size_t kMacroActionSize = 8;
inline constexpr std::size_t kMacroNameUnits = 250;  // 500 bytes of UTF-16, terminator included
inline constexpr std::size_t kMacroNameMaxChars = 249;
inline constexpr std::size_t kMacroMaxActions = 2000;
inline constexpr std::size_t kMacroRecordSize = 16512;
inline constexpr std::size_t kMacroActionsOffset = 512;
inline constexpr std::size_t kMaxMacros = 100;
inline constexpr uint16_t kMaxMacroId = 100;
static_assert(kMacroActionsOffset + kMacroMaxActions * kMacroActionSize == kMacroRecordSize);
static_assert(kMacroNameUnits * 2 == 500);

inline constexpr uint16_t kDirectionPress = 0;
inline constexpr uint16_t kDirectionRelease = 1;

struct MacroAction {
    uint32_t delay = 0;      // pause in ms after this action
    uint16_t key = 0;        // key code of the key catalogue
    uint16_t direction = 0;  // 0 press, 1 release
    bool operator==(const MacroAction&) const = default;
};

struct MacroRecord {
    std::array<char16_t, kMacroNameUnits> name{};  // NUL-terminated; units after the terminator kept as read
    uint8_t repeat = 0;
    uint8_t reserved1 = 0;
    uint16_t isNew = 0;
    uint16_t playMode = 0;
    uint16_t id = 0;
    uint16_t actionCount = 0;
    uint16_t reserved2 = 0;
    std::array<MacroAction, kMacroMaxActions> actions{};

    bool operator==(const MacroRecord&) const = default;

    // The name up to its terminator (at most 249 characters are kept by SetName).
    [[nodiscard]] std::u16string Name() const;
    void SetName(std::u16string_view text);  // cut to 249 characters; the rest of the field zeroed
};

// A new macro of the macro page: name, new-macro flag 1, the identifier given, repeat count 1, no actions.
[[nodiscard]] MacroRecord NewMacro(std::u16string_view name, uint16_t id);

void EncodeMacroRecord(const MacroRecord& record, uint8_t out[kMacroRecordSize]);
void DecodeMacroRecord(const uint8_t in[kMacroRecordSize], MacroRecord& record);

}  // namespace kv
