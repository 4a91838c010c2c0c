// The keyboard's macro area: a 16-byte header (magic 0x55AA, total length, macro count, names flag), an
// offset table, then one entry per macro (action count, repeat count, name length, 4-byte actions and,
// when included, the name). Encoded from and decoded into MacroRecords byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "macros/macro_record.h"

namespace kv {

inline constexpr uint16_t kMacroAreaMagic = 0x55AA;
inline constexpr std::size_t kMacroAreaHeaderSize = 16;

struct MacroAreaLengths {
    std::size_t withNames = kMacroAreaHeaderSize;
    std::size_t withoutNames = kMacroAreaHeaderSize;
};

[[nodiscard]] MacroAreaLengths MeasureMacroArea(const std::vector<MacroRecord>& macros);

// The area's bytes, Measure's length for the names choice; its header states that length. The caller has
// checked it against the keyboard's capacity (at most 255 x 128 bytes), so every offset fits 16 bits.
[[nodiscard]] std::vector<uint8_t> EncodeMacroArea(const std::vector<MacroRecord>& macros, bool includeNames);

// One macro action's 4 bytes and back.
struct EncodedAction {
    uint16_t word0;
    uint8_t lo;
    uint8_t hi;
};
[[nodiscard]] EncodedAction EncodeMacroAction(const MacroAction& action);
[[nodiscard]] MacroAction DecodeMacroAction(uint16_t word0, uint8_t lo, uint8_t hi);

// Records for the macros of an area read from the keyboard. A header without the magic gives none. The
// area is bounded by the bytes given and by its stated total length; at most 100 macros, 2000 actions and
// 249 name characters are taken; an entry that lies outside the area gives an empty macro in its place so
// positions keep their identifiers (position i gets identifier i + 1). A macro without a name is named
// namePrefix followed by its 1-based position.
[[nodiscard]] std::vector<MacroRecord> DecodeMacroArea(std::span<const uint8_t> area, std::u16string_view namePrefix);

}  // namespace kv
