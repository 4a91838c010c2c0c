#include "macros/macro_record.h"

#include <algorithm>

#include "macros/little_endian.h"

namespace kv {

std::u16string MacroRecord::Name() const {
    // A damaged record may have no terminator: the name stops at the record's limit of 249 characters.
    const auto last = name.begin() + kMacroNameMaxChars;
    return std::u16string(name.begin(), std::find(name.begin(), last, u'\0'));
}

void MacroRecord::SetName(std::u16string_view text) {
    name.fill(u'\0');
    const std::size_t n = std::min(text.size(), kMacroNameMaxChars);
    std::copy_n(text.begin(), n, name.begin());
    // A NUL inside the text ends the name where it stands; nothing else to do.
}

MacroRecord NewMacro(std::u16string_view name, uint16_t id) {
    MacroRecord r;
    r.SetName(name);
    r.isNew = 1;
    r.id = id;
    r.repeat = 1;
    return r;
}

void EncodeMacroRecord(const MacroRecord& r, uint8_t out[kMacroRecordSize]) {
    for (std::size_t i = 0; i < kMacroNameUnits; ++i) le::Put16(out + 2 * i, static_cast<uint16_t>(r.name[i]));
    out[500] = r.repeat;
    out[501] = r.reserved1;
    le::Put16(out + 502, r.isNew);
    le::Put16(out + 504, r.playMode);
    le::Put16(out + 506, r.id);
    le::Put16(out + 508, r.actionCount);
    le::Put16(out + 510, r.reserved2);
    for (std::size_t i = 0; i < kMacroMaxActions; ++i) {
        uint8_t* p = out + kMacroActionsOffset + i * kMacroActionSize;
        le::Put32(p, r.actions[i].delay);
        le::Put16(p + 4, r.actions[i].key);
        le::Put16(p + 6, r.actions[i].direction);
    }
}

void DecodeMacroRecord(const uint8_t in[kMacroRecordSize], MacroRecord& r) {
    for (std::size_t i = 0; i < kMacroNameUnits; ++i) r.name[i] = static_cast<char16_t>(le::U16(in + 2 * i));
    r.repeat = in[500];
    r.reserved1 = in[501];
    r.isNew = le::U16(in + 502);
    r.playMode = le::U16(in + 504);
    r.id = le::U16(in + 506);
    r.actionCount = le::U16(in + 508);
    r.reserved2 = le::U16(in + 510);
    for (std::size_t i = 0; i < kMacroMaxActions; ++i) {
        const uint8_t* p = in + kMacroActionsOffset + i * kMacroActionSize;
        r.actions[i].delay = le::U32(p);
        r.actions[i].key = le::U16(p + 4);
        r.actions[i].direction = le::U16(p + 6);
    }
}

}  // namespace kv
