// The 64-byte command report: the same layout carries a request to the keyboard and its answer.
//   byte 0      report id, always 4
//   bytes 1-2   checksum of a request: the sum of bytes 3..63, little-endian (ignored in an answer)
//   byte 3      command code (echoed by the answer)
//   byte 4      payload length 0..56
//   bytes 5-6   offset into the addressed area, little-endian
//   byte 7      status: 0 in a request; 0xFF / 0xFE in an answer are failures
//   bytes 8-63  payload
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "device/commands.h"

namespace kv {

inline constexpr uint8_t kCommandReportId = 4;
inline constexpr std::size_t kReportIdByte = 0;
inline constexpr std::size_t kChecksumByte = 1;
inline constexpr std::size_t kCommandByte = 3;
inline constexpr std::size_t kLengthByte = 4;
inline constexpr std::size_t kOffsetByte = 5;
inline constexpr std::size_t kStatusByte = 7;
inline constexpr std::size_t kPayloadByte = 8;
static_assert(kPayloadByte + kPayloadSize == kReportSize);

inline constexpr uint8_t kStatusFailFF = 0xFF;
inline constexpr uint8_t kStatusFailFE = 0xFE;

using Report = std::array<uint8_t, kReportSize>;

// The plain sum of bytes 3..63; at most 61 x 255, so it always fits in 16 bits.
[[nodiscard]] uint16_t ReportChecksum(const Report& report);

// Computes the checksum over the report as it stands and stores it in bytes 1-2.
void SealReport(Report& report);

// A request header on 64 zero bytes: id 4, code, length, offset (low 16 bits), status 0. No checksum yet.
[[nodiscard]] Report MakeRequest(uint8_t command, uint8_t length, uint32_t offset);

// Rewrites the length and offset fields of an existing request (chunked transfers reuse one request).
void SetLengthAndOffset(Report& report, uint8_t length, uint32_t offset);

}  // namespace kv
