// The key catalogue: the program's built-in knowledge of every key it can show, capture, assign or send,
// and the conversions between a key's identities (key code, key index, device code, virtual key, list
// position, main-window control). Constant data and pure functions: no state, no locks, no allocation,
// callable from any thread, including keyboard hooks for every keystroke.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kv {

// Key code: the PC-side identity of a key. Scan code set 1, +0x100 for E0-prefixed keys (Pause 0x045,
// Num Lock 0x145), pseudo codes 0x161/0x162 (wheel) and 0x16E-0x17E (pan, double click, mouse buttons,
// office functions), 0x200 + slot for the G-keys. 0 means no key.
using KeyCode = uint16_t;
inline constexpr KeyCode kNoKey = 0;

// Key index: the row of the catalogue (0-255) and, with the G-keys at 0x100-0x111, the slot of a key in
// a section of the key assignment table (0-511). KeyIndexOf of a code that is no key at all may give an
// index of 512 or more: callers that address a table with it check the range.
inline constexpr int kCatalogueSize = 256;
inline constexpr int kKeyIndexCount = 512;

// List positions: 0x00-0x69 the key pickers' list, 0x6B-0x6F mouse buttons and wheel, 0x8000 | index for
// a key that is not listed (each key its own), 0xFFFF for an empty entry.
inline constexpr uint16_t kNotListedBase = 0x8000;
inline constexpr uint16_t kNoListPosition = 0xFFFF;

inline constexpr uint8_t kNoVirtualKey = 0xFF;

// One catalogue row. An empty row has list position 0xFFFF, an empty name key, device code 0 and no
// virtual key.
struct KeyEntry {
    uint8_t virtualKey;           // the Windows virtual key the key produces, 0xFF for none
    uint8_t alternateVirtualKey;  // the numeric pad's key with Num Lock off; otherwise = virtualKey
    uint16_t listPosition;
    const char* nameKey;          // language key of the display name ("" for none)
    const wchar_t* label;         // plain English label ("" for an empty row)
    uint8_t deviceCode;           // how the keyboard knows the key, 0 for none
};

// The 105 keys of the keyboard picture in picture order, the G-keys and the "Fn" button.
inline constexpr int kPictureKeyCount = 105;
inline constexpr int kGButtonCount = 9;   // G1..G9
inline constexpr int kGBankCount = 2;
inline constexpr int kGSlotCount = kGButtonCount * kGBankCount;
inline constexpr KeyCode kGKeyCodeBase = 0x200;
inline constexpr int kFnButtonControl = 1174;  // takes part only in per-key lighting

// Device code classes of ClassifyDeviceCode and KeyCodeFromDevice.
inline constexpr int kDeviceClassNone = 0;
inline constexpr int kDeviceClassSystem = 1;    // generic desktop system control 0x81-0x83
inline constexpr int kDeviceClassMouse = 2;
inline constexpr int kDeviceClassKeyboard = 7;  // a device code (keyboard page, media, modifiers)
inline constexpr int kDeviceClassConsumer = 12; // a 16-bit consumer-page usage

inline constexpr int kConsumerTableSize = 32;
inline constexpr uint8_t kConsumerDeviceCodeBase = 0xC0;

// --- the tables -------------------------------------------------------------------------------------

// The catalogue row of index 0-255; any other index gives the empty row.
[[nodiscard]] const KeyEntry& CatalogueEntry(int index);
// The key code of picture key 0-104 (0 outside).
[[nodiscard]] KeyCode PictureKeyCode(int position);
// The consumer usage behind device code 0xC0 + i (0 outside 0-31, and for the 14 unused positions).
[[nodiscard]] uint16_t ConsumerUsage(int position);

// --- key code and key index -------------------------------------------------------------------------

[[nodiscard]] int KeyIndexOf(KeyCode code);
[[nodiscard]] KeyCode KeyCodeOfIndex(int index);  // 0-255; other indexes give 0 (G-keys: index + 0x100)

// --- list positions ---------------------------------------------------------------------------------

[[nodiscard]] KeyCode KeyCodeAtListPosition(uint16_t listPosition);  // first row in index order, 0 for none
[[nodiscard]] uint16_t ListPositionOf(KeyCode code);

// --- device codes -----------------------------------------------------------------------------------

struct DeviceCode {
    int deviceClass;  // kDeviceClassNone, kDeviceClassSystem, kDeviceClassMouse or kDeviceClassKeyboard
    uint8_t code;
};
[[nodiscard]] DeviceCode ClassifyDeviceCode(KeyCode code);
// deviceClass 7: value is a device code; 1: a system-control code 0x81-0x83; 12: a consumer usage.
// The first catalogue row in index order with the device code wins (0x48 is Pause, never Break).
[[nodiscard]] KeyCode KeyCodeFromDevice(int deviceClass, uint16_t value);

// --- virtual keys and captured key strokes ----------------------------------------------------------

[[nodiscard]] KeyCode KeyCodeFromVirtualKey(uint8_t virtualKey);
// flags: the 32-bit value Windows passes with a key message or to a keyboard hook (scan code in bits
// 16-23, extended-key flag in bit 24).
[[nodiscard]] KeyCode KeyCodeFromMessage(uint8_t virtualKey, uint32_t flags);
// Keys for which key capture may see a release without a press.
[[nodiscard]] bool IsReleaseOnlyKey(KeyCode code);

// --- modifiers --------------------------------------------------------------------------------------

// The bit of one of the eight modifier keys in a modifier mask, 0 for any other key.
[[nodiscard]] uint8_t ModifierBit(KeyCode code);
// The modifier key of the lowest set bit (left Ctrl first ... right Windows last), 0 for mask 0.
[[nodiscard]] KeyCode ModifierFromMask(uint8_t mask);

// --- main-window controls and G-keys ----------------------------------------------------------------

struct PictureControl {
    enum Kind { kNone, kKey, kGButton } kind;
    int position;  // picture position 0-104 or G button 0-8; -1 for kNone
};
[[nodiscard]] PictureControl PictureKeyOfControl(int controlId);
[[nodiscard]] int ControlOfPictureKey(int position);  // 0 outside 0-104
[[nodiscard]] int ControlOfGButton(int button);       // 0 outside 0-8

// G-key slot n = bank * 9 + button: key index 0x100 + n, key code 0x200 + n.
[[nodiscard]] KeyCode GKeyCode(int bank, int button);  // 0 outside the banks and buttons
[[nodiscard]] bool IsGKeyCode(KeyCode code);
[[nodiscard]] int GSlotOfCode(KeyCode code);           // 0-17, -1 for a code that is no G-key
// The fixed tag of a G-key slot in a key table section: 0x0301-0x0309 for slots 0-8, 0x1301-0x1309 for 9-17.
[[nodiscard]] uint16_t GSlotTag(int slot);             // 0 outside 0-17

}  // namespace kv
