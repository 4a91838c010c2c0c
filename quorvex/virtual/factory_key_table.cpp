// The keyboard's factory default key tables: which key sits at each of the 126 matrix positions.
#include <array>
#include <cstdint>

#include "virtual/keyboard_memory.h"

namespace qvx {
namespace {

struct ActionCode {
    uint8_t b0, b1, b2;
};

constexpr ActionCode Key(uint8_t usage) { return {0x02, 0x02, usage}; }   // HID keyboard usage
constexpr ActionCode Mod(uint8_t bit) { return {0x02, 0x01, bit}; }       // one modifier bit
constexpr ActionCode GKey(uint8_t slot) { return {0x06, 0xA2, slot}; }    // G-key slot 1..18
constexpr ActionCode kFn{0x05, 0x00, 0x00};                               // the Fn key, handled on board
constexpr ActionCode kNone{0x00, 0x00, 0x00};

// Column-major matrix: position = column × 8 + row. Rows 0-5 run along the keyboard's rows (function
// row, number row, Q row, A row, Z row, bottom row); rows 6 and 7 carry the G-key slots of bank A and B
// in columns 0-8 and the navigation and keypad keys that do not fit the first six rows.
constexpr std::array<ActionCode, kKeyPositions> kFullMatrix = {{
    //  row 0         row 1       row 2       row 3        row 4       row 5        row 6       row 7
    Key(0x29), Key(0x35), Key(0x2B), Key(0x39), Mod(0x02), Mod(0x01), GKey(1), GKey(10),  // col 0: Esc ` Tab Caps LShift LCtrl
    Key(0x3A), Key(0x1E), Key(0x14), Key(0x04), Key(0x64), Mod(0x08), GKey(2), GKey(11),  // col 1: F1 1 Q A K45 LWin
    Key(0x3B), Key(0x1F), Key(0x1A), Key(0x16), Key(0x1D), Mod(0x04), GKey(3), GKey(12),  // col 2: F2 2 W S Z LAlt
    Key(0x3C), Key(0x20), Key(0x08), Key(0x07), Key(0x1B), kFn,       GKey(4), GKey(13),  // col 3: F3 3 E D X Fn
    Key(0x3D), Key(0x21), Key(0x15), Key(0x09), Key(0x06), kNone,     GKey(5), GKey(14),  // col 4: F4 4 R F C
    Key(0x3E), Key(0x22), Key(0x17), Key(0x0A), Key(0x19), Key(0x2C), GKey(6), GKey(15),  // col 5: F5 5 T G V Space
    Key(0x3F), Key(0x23), Key(0x1C), Key(0x0B), Key(0x05), Key(0x63), GKey(7), GKey(16),  // col 6: F6 6 Y H B Num.
    Key(0x40), Key(0x24), Key(0x18), Key(0x0D), Key(0x11), kNone,     GKey(8), GKey(17),  // col 7: F7 7 U J N
    Key(0x41), Key(0x25), Key(0x0C), Key(0x0E), Key(0x10), Mod(0x40), GKey(9), GKey(18),  // col 8: F8 8 I K M RAlt
    Key(0x42), Key(0x26), Key(0x12), Key(0x0F), Key(0x36), Mod(0x80), Key(0x49), Key(0x4C),  // col 9: F9 9 O L , RWin Ins Del
    Key(0x43), Key(0x27), Key(0x13), Key(0x33), Key(0x37), Key(0x65), Key(0x4A), Key(0x4D),  // col 10: F10 0 P ; . App Home End
    Key(0x44), Key(0x2D), Key(0x2F), Key(0x34), Key(0x38), Mod(0x10), Key(0x4B), Key(0x4E),  // col 11: F11 - [ ' / RCtrl PgUp PgDn
    Key(0x45), Key(0x2E), Key(0x30), Key(0x28), Mod(0x20), Key(0x50), Key(0x52), Key(0x51),  // col 12: F12 = ] Enter RShift Left Up Down
    Key(0x46), Key(0x2A), Key(0x31), Key(0x58), Key(0x62), Key(0x4F), Key(0x53), Key(0x54),  // col 13: PrtSc BS \ NumEnter Num0 Right NumLk Num/
    Key(0x47), Key(0x55), Key(0x56), Key(0x5F), Key(0x60), Key(0x61), Key(0x57), Key(0x5C),  // col 14: ScrLk Num* Num- Num7 Num8 Num9 Num+ Num4
    Key(0x48), Key(0x5D), Key(0x5E), Key(0x59), Key(0x5A), Key(0x5B),                         // col 15: Pause Num5 Num6 Num1 Num2 Num3
}};

// The short table: positions 0-63 as below, 64-125 empty.
constexpr std::array<ActionCode, 64> kBuiltinMatrix = {{
    kFn,       kFn,       kFn,       kFn,       kFn,       kFn,       kNone, kNone,  // 0-7
    Key(0x29), Key(0x35), Key(0x2B), Key(0x39), Mod(0x02), Mod(0x01), kNone, kNone,  // 8-15
    Key(0x3A), Key(0x1E), Key(0x14), Key(0x04), Key(0x1D), Mod(0x08), kNone, kNone,  // 16-23
    Key(0x3B), Key(0x1F), Key(0x1A), Key(0x16), Key(0x1B), Mod(0x04), kNone, kNone,  // 24-31
    Key(0x3C), Key(0x20), Key(0x08), Key(0x07), Key(0x06), Key(0x2C), Key(0x46), kNone,  // 32-39
    Key(0x3D), Key(0x21), Key(0x15), Key(0x09), Key(0x19), Mod(0x40), Key(0x47), kNone,  // 40-47
    Key(0x3E), Key(0x22), Key(0x17), Key(0x0A), Key(0x05), {0x05, 0x02, 0x02}, Key(0x2E), kNone,  // 48-55
    Key(0x3F), Key(0x23), Key(0x1C), Key(0x0B), Key(0x11), Key(0x65), Key(0x48), kNone,  // 56-63
}};

template <std::size_t N>
std::array<uint8_t, kKeyTableSize> Flatten(const std::array<ActionCode, N>& codes) {
    std::array<uint8_t, kKeyTableSize> table{};
    for (std::size_t i = 0; i < N; ++i) {
        table[i * 3] = codes[i].b0;
        table[i * 3 + 1] = codes[i].b1;
        table[i * 3 + 2] = codes[i].b2;
    }
    return table;
}

}  // namespace

std::array<uint8_t, kKeyTableSize> FactoryKeyTable(Matrix matrix) {
    return matrix == Matrix::Builtin ? Flatten(kBuiltinMatrix) : Flatten(kFullMatrix);
}

}  // namespace qvx
