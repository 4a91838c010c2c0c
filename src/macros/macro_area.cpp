#include "macros/macro_area.h"

#include <algorithm>

#include "keys/key_catalogue.h"
#include "macros/little_endian.h"

namespace kv {

namespace {

constexpr uint16_t kKeyLeftButton = 369, kKeyRightButton = 370, kKeyMiddleButton = 371;
constexpr uint16_t kKeyWheelUp = 353, kKeyWheelDown = 354;

std::size_t NameLength(const MacroRecord& r) {
    const auto last = r.name.begin() + kMacroNameMaxChars;
    return static_cast<std::size_t>(std::find(r.name.begin(), last, u'\0') - r.name.begin());
}

std::size_t ActionCount(const MacroRecord& r) { return std::min<std::size_t>(r.actionCount, kMacroMaxActions); }

}  // namespace

MacroAreaLengths MeasureMacroArea(const std::vector<MacroRecord>& macros) {
    MacroAreaLengths l;
    l.withNames = l.withoutNames = kMacroAreaHeaderSize + 2 * macros.size();
    for (const auto& r : macros) {
        const std::size_t entry = 4 + 4 * ActionCount(r);
        l.withoutNames += entry;
        l.withNames += entry + 2 * NameLength(r);
    }
    return l;
}

EncodedAction EncodeMacroAction(const MacroAction& a) {
    uint16_t kind = 0;
    uint8_t lo = 0, hi = 0;
    const uint8_t code = ClassifyDeviceCode(a.key).code;
    if (code == 0 || code == 0xFF) {
        kind = 0;
    } else if (code >= 0x81 && code <= 0x83) {
        kind = 4, lo = code;
    } else if (code >= 0xF1 && code <= 0xF8) {
        kind = 1;
        switch (code) {
            case 0xF1: lo = 1, hi = 1; break;
            case 0xF2: lo = 1, hi = 2; break;
            case 0xF3: lo = 1, hi = 4; break;
            case 0xF4: lo = 5, hi = 1; break;
            case 0xF5: lo = 5, hi = 0xFF; break;
            default: break;  // 0xF6..0xF8: a mouse action the keyboard does not play
        }
    } else if (const uint8_t bit = ModifierBit(a.key); bit != 0) {
        kind = 2, lo = 1, hi = bit;
    } else {
        kind = 2, lo = 2, hi = code;
    }
    uint16_t word0 = static_cast<uint16_t>(((a.delay / 10) & 0xFFF) | (kind << 12));
    if (a.direction != kDirectionRelease) word0 |= 0x8000;
    return {word0, lo, hi};
}

MacroAction DecodeMacroAction(uint16_t word0, uint8_t lo, uint8_t hi) {
    MacroAction a;
    a.delay = static_cast<uint32_t>(word0 & 0xFFF) * 10;
    a.direction = (word0 & 0x8000) ? kDirectionPress : kDirectionRelease;
    const uint16_t value = static_cast<uint16_t>(lo | (hi << 8));
    switch ((word0 >> 12) & 7) {
        case 1:
            if (lo == 1 && hi == 1) a.key = kKeyLeftButton;
            else if (lo == 1 && hi == 2) a.key = kKeyRightButton;
            else if (lo == 1 && hi == 4) a.key = kKeyMiddleButton;
            else if (lo == 5 && hi == 1) a.key = kKeyWheelUp;
            else if (lo == 5 && hi == 0xFF) a.key = kKeyWheelDown;
            break;
        case 2:
            a.key = lo == 2 ? KeyCodeFromDevice(kDeviceClassKeyboard, hi) : ModifierFromMask(hi);
            break;
        case 3:
            a.key = KeyCodeFromDevice(kDeviceClassConsumer, value);
            break;
        case 4:
            a.key = (value >= 0x81 && value <= 0x83) ? KeyCodeFromDevice(kDeviceClassSystem, value) : 0;
            break;
        case 6:
            a.key = lo == 0xA2 && hi >= 1 && hi <= kGSlotCount ? static_cast<uint16_t>(511 + hi) : 0;
            break;
        default:
            break;
    }
    return a;
}

std::vector<uint8_t> EncodeMacroArea(const std::vector<MacroRecord>& macros, bool includeNames) {
    const MacroAreaLengths lengths = MeasureMacroArea(macros);
    const std::size_t total = includeNames ? lengths.withNames : lengths.withoutNames;
    std::vector<uint8_t> out(total, 0);
    le::Put16(out.data(), kMacroAreaMagic);
    le::Put16(out.data() + 2, static_cast<uint16_t>(total));
    le::Put16(out.data() + 4, static_cast<uint16_t>(macros.size()));
    le::Put16(out.data() + 6, includeNames ? 1 : 0);
    std::size_t at = kMacroAreaHeaderSize + 2 * macros.size();
    for (std::size_t i = 0; i < macros.size(); ++i) {
        const MacroRecord& r = macros[i];
        const std::size_t m = ActionCount(r);
        const std::size_t nameLength = includeNames ? NameLength(r) : 0;
        le::Put16(out.data() + kMacroAreaHeaderSize + 2 * i, static_cast<uint16_t>(at));
        le::Put16(out.data() + at, static_cast<uint16_t>(m));
        out[at + 2] = r.repeat;
        out[at + 3] = static_cast<uint8_t>(nameLength);
        at += 4;
        for (std::size_t j = 0; j < m; ++j, at += 4) {
            const EncodedAction e = EncodeMacroAction(r.actions[j]);
            le::Put16(out.data() + at, e.word0);
            out[at + 2] = e.lo;
            out[at + 3] = e.hi;
        }
        for (std::size_t j = 0; j < nameLength; ++j, at += 2) le::Put16(out.data() + at, r.name[j]);
    }
    return out;
}

std::vector<MacroRecord> DecodeMacroArea(std::span<const uint8_t> area, std::u16string_view namePrefix) {
    std::vector<MacroRecord> macros;
    if (area.size() < kMacroAreaHeaderSize || le::U16(area.data()) != kMacroAreaMagic) return macros;
    // Everything read lies inside both the bytes at hand and the length the header states.
    const std::size_t bound = std::min<std::size_t>(area.size(), std::max<std::size_t>(le::U16(area.data() + 2), kMacroAreaHeaderSize));
    const std::size_t stated = le::U16(area.data() + 4);
    const std::size_t tableRoom = (bound - kMacroAreaHeaderSize) / 2;
    const std::size_t n = std::min({stated, kMaxMacros, tableRoom});
    macros.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        MacroRecord& r = macros[i];
        r.id = static_cast<uint16_t>(i + 1);
        const std::size_t offset = le::U16(area.data() + kMacroAreaHeaderSize + 2 * i);
        std::size_t nameLength = 0;
        std::size_t nameAt = 0;
        if (offset >= kMacroAreaHeaderSize && offset + 4 <= bound) {
            const std::size_t m = le::U16(area.data() + offset);
            r.repeat = area[offset + 2];
            const std::size_t fits = std::min<std::size_t>({m, kMacroMaxActions, (bound - offset - 4) / 4});
            r.actionCount = static_cast<uint16_t>(fits);
            for (std::size_t j = 0; j < fits; ++j) {
                const uint8_t* p = area.data() + offset + 4 + 4 * j;
                r.actions[j] = DecodeMacroAction(le::U16(p), p[2], p[3]);
            }
            nameAt = offset + 4 + 4 * m;
            if (nameAt < bound) nameLength = std::min<std::size_t>({area[offset + 3], kMacroNameMaxChars, (bound - nameAt) / 2});
        }
        if (nameLength > 0) {
            for (std::size_t j = 0; j < nameLength; ++j) r.name[j] = static_cast<char16_t>(le::U16(area.data() + nameAt + 2 * j));
        } else {
            std::u16string fallback(namePrefix);
            const std::string number = std::to_string(i + 1);
            fallback.append(number.begin(), number.end());
            r.SetName(fallback);
        }
    }
    return macros;
}

}  // namespace kv
