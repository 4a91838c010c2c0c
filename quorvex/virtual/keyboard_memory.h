// The virtual keyboard's memory: every area the command set addresses, its factory contents, and the
// byte layout of the state file that keeps it across runs. Plain data, no locks: the owner guards it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qvx {

inline constexpr std::size_t kInfoSize = 44;
inline constexpr std::size_t kKeyTableSize = 378;         // 126 three-byte action codes
inline constexpr std::size_t kKeyPositions = 126;
inline constexpr std::size_t kProfiles = 3;
inline constexpr std::size_t kKeyTablesSize = kProfiles * kKeyTableSize;
inline constexpr std::size_t kLightingRecordSize = 42;
inline constexpr std::size_t kLightingSize = kProfiles * kLightingRecordSize;
inline constexpr std::size_t kColorPageSize = 512;
inline constexpr std::size_t kColorAreaSize = kProfiles * kColorPageSize;
inline constexpr std::size_t kMacroUnit = 128;             // information block byte 11 counts these
inline constexpr std::size_t kMacroHeaderSize = 16;

// Information block fields.
inline constexpr std::size_t kInfoFirmware = 8;   // u16 little-endian
inline constexpr std::size_t kInfoProfile = 10;
inline constexpr std::size_t kInfoCapacity = 11;
inline constexpr std::size_t kInfoEffects = 12;   // 32 effect numbers, 0 = empty slot
inline constexpr std::size_t kMaxEffects = 32;

// Which key matrix the factory default key table describes.
enum class Matrix : uint8_t {
    Full = 0,     // every picture key, the Fn key and the 18 G-key slots
    Builtin = 1,  // the short table the program carries as its own fallback
};

// What makes one keyboard of the family differ from another; kept by a memory reset.
struct KeyboardMake {
    uint16_t firmware = 0x0103;
    uint8_t capacity = 255;  // macro area in units of 128 bytes
    std::vector<uint8_t> effects = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20};
    Matrix matrix = Matrix::Full;
};

struct KeyboardMemory {
    std::array<uint8_t, kInfoSize> info{};
    std::array<uint8_t, kKeyTableSize> defaultKeyTable{};
    std::array<uint8_t, kKeyTablesSize> keyTables{};
    std::vector<uint8_t> macros;  // capacity × 128 bytes
    std::array<uint8_t, kLightingSize> lighting{};
    std::array<uint8_t, kColorAreaSize> keyColors{};
    std::array<uint8_t, 2> bankIndicator{};
    Matrix matrix = Matrix::Full;  // which factory table defaultKeyTable came from
};

[[nodiscard]] KeyboardMemory FactoryMemory(const KeyboardMake& make);

// The factory default key table of a matrix.
[[nodiscard]] std::array<uint8_t, kKeyTableSize> FactoryKeyTable(Matrix matrix);

// Configuration changes that a keyboard of another make would show.
void SetFirmware(KeyboardMemory& memory, uint16_t version);
void SetCapacity(KeyboardMemory& memory, uint8_t units);  // resizes the macro area, keeping what fits
void SetEffects(KeyboardMemory& memory, const std::vector<uint8_t>& effects);  // at most 32; rest cleared
void SetMatrix(KeyboardMemory& memory, Matrix matrix);    // new default table; key tables become copies of it

[[nodiscard]] KeyboardMake MakeOf(const KeyboardMemory& memory);
[[nodiscard]] uint16_t FirmwareOf(const KeyboardMemory& memory);

// State file: "KVVK" magic, version, payload length, CRC-32 of the payload, then the areas in a fixed order.
[[nodiscard]] std::vector<uint8_t> EncodeState(const KeyboardMemory& memory);
// False (and out untouched) for anything short, damaged or of another version.
[[nodiscard]] bool DecodeState(const uint8_t* bytes, std::size_t length, KeyboardMemory& out);

[[nodiscard]] uint32_t Crc32(const uint8_t* bytes, std::size_t length);

}  // namespace qvx
