#include "lighting/led_numbers.h"

#include <array>

namespace kv {
namespace {

struct LedRow {
    KeyCode code;
    int led;
};

// Key code → LED, row by row of the keyboard.
constexpr LedRow kLeds[] = {
    // row 0: Esc, F1-F12, Print Screen, Scroll Lock, Pause
    {0x001, 0},
    {0x03B, 1}, {0x03C, 2}, {0x03D, 3}, {0x03E, 4}, {0x03F, 5}, {0x040, 6},
    {0x041, 7}, {0x042, 8}, {0x043, 9}, {0x044, 10}, {0x057, 11}, {0x058, 12},
    {0x137, 14}, {0x046, 15}, {0x045, 16},
    // row 1: ` 1-0 - = Backspace, Insert Home Page Up, Num Lock Num / Num * Num -
    {0x029, 21},
    {0x002, 22}, {0x003, 23}, {0x004, 24}, {0x005, 25}, {0x006, 26}, {0x007, 27}, {0x008, 28}, {0x009, 29},
    {0x00A, 30}, {0x00B, 31},
    {0x00C, 32}, {0x00D, 33}, {0x00E, 34},
    {0x152, 35}, {0x147, 36}, {0x149, 37},
    {0x145, 38}, {0x135, 39}, {0x037, 40}, {0x04A, 41},
    // row 2: Tab Q-P [ ] \, Delete End Page Down, Num 7 8 9 Num +
    {0x00F, 42},
    {0x010, 43}, {0x011, 44}, {0x012, 45}, {0x013, 46}, {0x014, 47}, {0x015, 48}, {0x016, 49}, {0x017, 50},
    {0x018, 51}, {0x019, 52},
    {0x01A, 53}, {0x01B, 54}, {0x02B, 55},
    {0x153, 56}, {0x14F, 57}, {0x151, 58},
    {0x047, 59}, {0x048, 60}, {0x049, 61}, {0x04E, 62},
    // row 3: Caps Lock A-L ; ' Enter, Num 4 5 6
    {0x03A, 63},
    {0x01E, 64}, {0x01F, 65}, {0x020, 66}, {0x021, 67}, {0x022, 68}, {0x023, 69}, {0x024, 70}, {0x025, 71},
    {0x026, 72},
    {0x027, 73}, {0x028, 74}, {0x01C, 76},
    {0x04B, 80}, {0x04C, 81}, {0x04D, 82},
    // row 4: Left Shift, K45, Z-M , . /, Right Shift, Up, Num 1 2 3, Num Enter
    {0x02A, 84}, {0x056, 85},
    {0x02C, 86}, {0x02D, 87}, {0x02E, 88}, {0x02F, 89}, {0x030, 90}, {0x031, 91}, {0x032, 92},
    {0x033, 93}, {0x034, 94}, {0x035, 95}, {0x036, 97},
    {0x148, 99},
    {0x04F, 101}, {0x050, 102}, {0x051, 103}, {0x11C, 104},
    // row 5: Left Ctrl, Left Windows, Left Alt, Space, Right Alt, (Fn 110), Menu, Right Ctrl, Right Windows,
    // Left Down Right, Num 0, Num .
    {0x01D, 105}, {0x15B, 106}, {0x038, 107}, {0x039, 108}, {0x138, 109},
    {0x15D, 111}, {0x11D, 113}, {0x15C, 116},
    {0x14B, 119}, {0x150, 120}, {0x14D, 121},
    {0x052, 123}, {0x053, 124},
};
static_assert(std::size(kLeds) == kPictureKeyCount);

constexpr bool LedsAreDistinct() {
    std::array<bool, kLedCount> used{};
    for (const LedRow& r : kLeds) {
        if (r.led < 0 || r.led >= kLedCount || r.led == kFnLed || r.led == kGKeyLed || used[static_cast<std::size_t>(r.led)])
            return false;
        used[static_cast<std::size_t>(r.led)] = true;
    }
    return true;
}
static_assert(LedsAreDistinct());

}  // namespace

int LedOfKeyCode(KeyCode code) {
    for (const LedRow& r : kLeds)
        if (r.code == code) return r.led;
    return kNoLed;
}

int LedOfControl(int controlId) {
    if (controlId == kFnButtonControl) return kFnLed;
    const PictureControl c = PictureKeyOfControl(controlId);
    if (c.kind == PictureControl::kGButton) return kGKeyLed;
    if (c.kind == PictureControl::kKey) return LedOfKeyCode(PictureKeyCode(c.position));
    return kNoLed;
}

int StoredLed(int i) {
    if (i >= 0 && i < kPictureKeyCount) return LedOfKeyCode(PictureKeyCode(i));
    if (i == kPictureKeyCount) return kFnLed;
    if (i == kPictureKeyCount + 1) return kGKeyLed;
    return kNoLed;
}

bool IsStoredLed(int led) {
    if (led == kFnLed || led == kGKeyLed) return true;
    for (const LedRow& r : kLeds)
        if (r.led == led) return true;
    return false;
}

}  // namespace kv
