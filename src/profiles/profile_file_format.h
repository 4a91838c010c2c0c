// The profile data file: a 32-byte file header, a 32-byte identification block, the four profile sections
// of the assignment table, n macro records and the string area. The first 64 bytes are also the header of
// the assignment table kept in memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "keys/assignment_table.h"
#include "macros/macro_record.h"

namespace kv {

inline constexpr std::size_t kFileHeaderSize = 32;
inline constexpr std::size_t kIdentificationOffset = 32;
inline constexpr std::size_t kIdentificationSize = 32;
inline constexpr uint16_t kFileMagic = 0x4446;  // "FD"
inline constexpr uint16_t kFileVersion = 3;
inline constexpr uint16_t kFileWord6 = 1;
inline constexpr uint16_t kFileSlotCount = 2048;
inline constexpr std::size_t kFileMinSize = kAssignmentTableSize;
static_assert(kFileHeaderSize + kIdentificationSize == kTableHeaderSize);
static_assert(kFileSlotCount == kSlotCount);

// The fixed identification block written into a file made from scratch; bytes 16..19 hold the keyboard's
// vendor id 0x0C45 and product id 0x7A31.
inline constexpr std::array<uint8_t, kIdentificationSize> kIdentificationBlock = {
    0x4B, 0x48, 0x20, 0x00, 0x20, 0x80, 0x00, 0x00, 0x04, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00,
    0x45, 0x0C, 0x31, 0x7A, 0x4F, 0x1C, 0x0E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

struct FileHeader {
    uint16_t magic = 0;
    uint16_t headerSize = 0;
    uint16_t version = 0;
    uint16_t word6 = 0;
    uint32_t totalSize = 0;
    uint16_t slotCount = 0;
    uint16_t macroCount = 0;
    uint32_t stringSize = 0;
    uint8_t flag = 0;
    uint8_t checksum = 0;
    uint8_t computedChecksum = 0;  // sum of bytes 0..30 modulo 256
};

[[nodiscard]] FileHeader ParseFileHeader(const uint8_t header[kFileHeaderSize]);

// Writes the 32-byte file header for n macros and S string bytes, flag 0, checksum last.
void WriteFileHeader(uint8_t header[kFileHeaderSize], uint16_t macroCount, uint32_t stringSize);

// Total size a header with n macros and S string bytes states.
[[nodiscard]] constexpr uint64_t FileTotalSize(uint64_t macroCount, uint64_t stringSize) {
    return kAssignmentTableSize + macroCount * kMacroRecordSize + stringSize;
}

// Empty text when the header is sound for a file of fileLength bytes; otherwise which field or bound fails.
// Checks every field a reader relies on, including that the file holds all the bytes the header states.
[[nodiscard]] std::string HeaderProblem(const FileHeader& h, uint64_t fileLength);

}  // namespace kv
