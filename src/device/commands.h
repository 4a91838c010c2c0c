// The keyboard's command set: every operation builds one or more 64-byte command reports and exchanges
// each for the keyboard's answer. All are blocking, return a result code (kResultSuccess = 1) and never
// show anything; callers decide what to tell the user. Never call them from the HID service's callback.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kv {

// Result codes of every command operation.
inline constexpr int kResultSuccess = 1;
inline constexpr int kResultNoDevice = 0;        // vendor collection absent, or waiting for the answer failed
inline constexpr int kResultWriteRefused = -1;   // the HID service refused the write
inline constexpr int kResultNoAnswer = -2;       // no matching answer after three attempts
inline constexpr int kResultKeyboardHeld = -3;   // another program holds the keyboard without sharing it
inline constexpr int kResultStatusFF = -102;     // the answer's status byte was 0xFF
inline constexpr int kResultStatusFE = -103;     // the answer's status byte was 0xFE
inline constexpr int kResultBadProfile = -201;   // key table profile number 3 or more; nothing sent
inline constexpr int kResultBadLength = -202;    // a length the report cannot carry (payload over 56 bytes,
                                                 // an area offset beyond 16 bits); nothing sent

inline constexpr std::size_t kReportSize = 64;
inline constexpr std::size_t kPayloadSize = 56;
inline constexpr std::size_t kInfoSize = 44;
inline constexpr std::size_t kKeyTableSize = 378;
inline constexpr std::size_t kLightingRecordSize = 42;
inline constexpr std::size_t kKeyColorPageSize = 512;
inline constexpr std::size_t kMacroAreaLimit = 255 * 128;  // largest capacity the information block can state

enum CommandCode : uint8_t {
    CMD_BEGIN = 1,
    CMD_END = 2,
    CMD_READ_INFO = 3,
    CMD_WRITE_INFO = 4,
    CMD_READ_LIGHTING = 5,
    CMD_WRITE_LIGHTING = 6,
    CMD_READ_KEYTABLE = 7,
    CMD_WRITE_KEYTABLE = 8,
    CMD_READ_MACROS = 9,
    CMD_WRITE_MACROS = 10,
    CMD_READ_DEFAULT_KEYTABLE = 15,
    CMD_WRITE_KEYCOLORS = 17,
    CMD_ENTER_BOOT = 0xEE,
};

// Information block fields.
inline constexpr std::size_t kInfoFirmwareOffset = 8;   // u16 little-endian, 0x0103 = "V0103"
inline constexpr std::size_t kInfoProfileOffset = 10;   // current on-board profile 0..2
inline constexpr std::size_t kInfoCapacityOffset = 11;  // macro area capacity in units of 128 bytes
inline constexpr std::size_t kInfoEffectsOffset = 12;   // up to 32 effect numbers, 0 = empty slot

[[nodiscard]] int SendBegin();
[[nodiscard]] int SendEnd();  // waits 10 ms before sending
[[nodiscard]] int ReadInfo(uint8_t out[kInfoSize]);
[[nodiscard]] int WriteInfo(const uint8_t in[kInfoSize]);
// All 56 answer payload bytes are copied to out, whatever the length.
[[nodiscard]] int ReadLighting(uint8_t out[kPayloadSize], int length, int offset);
// length over 56 returns kResultBadLength.
[[nodiscard]] int WriteLighting(const uint8_t* data, int length, int offset);
[[nodiscard]] int ReadKeyTable(uint8_t out[kKeyTableSize], unsigned profile);
[[nodiscard]] int WriteKeyTable(const uint8_t in[kKeyTableSize], unsigned profile);
// Chunks of 56 bytes at offsets 0, 56, ...; a count whose last chunk offset exceeds 0xFFFF returns
// kResultBadLength without sending anything.
[[nodiscard]] int ReadMacroArea(uint8_t* out, std::size_t count);
[[nodiscard]] int WriteMacroArea(const uint8_t* in, std::size_t count);
[[nodiscard]] int ReadDefaultKeyTable(uint8_t out[kKeyTableSize]);
// Writes length colour bytes at (current profile × 512 + firstKey × 3); length over 56 returns kResultBadLength.
[[nodiscard]] int WriteKeyColors(const uint8_t* data, int length, int firstKey);
// The same on the page of the profile given (0-2), whichever profile is current.
[[nodiscard]] int WriteKeyColorsOf(int profile, const uint8_t* data, int length, int firstKey);
// Not awaited: returns the HID service's result for the write (> 0 = accepted).
[[nodiscard]] int EnterBootMode();

// The keyboard's current on-board profile, cached process-wide (-1 = empty).
[[nodiscard]] int GetDeviceProfile();           // cached value, or read from the information block; -1 on failure
void SetDeviceProfile(int profile);             // read-modify-write of the information block; updates the cache
// SetDeviceProfile with its result: 1, the failing command's result, or kResultBadProfile for a profile
// outside 0..2 (nothing sent).
[[nodiscard]] int WriteDeviceProfile(int profile);
void ClearDeviceProfileCache();                 // at binding and on every detach

}  // namespace kv
