// How the keyboard answers one 64-byte command report: checks it, reads or changes its memory, and builds
// the answer. Pure function over the memory; the caller holds whatever lock guards it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "virtual/keyboard_memory.h"

namespace qvx {

inline constexpr std::size_t kReportSize = 64;
inline constexpr std::size_t kPayloadSize = 56;
inline constexpr uint8_t kReportId = 4;
inline constexpr uint8_t kStatusOk = 0x00;
inline constexpr uint8_t kStatusFailed = 0xFF;
inline constexpr uint8_t kStatusBusy = 0xFE;
inline constexpr uint8_t kEnterBoot = 0xEE;

using Report = std::array<uint8_t, kReportSize>;

struct CommandOutcome {
    bool answered = false;     // false only for the boot-mode request, which nobody waits for
    bool enterBoot = false;
    bool changed = false;      // memory was written
    bool endOfTransaction = false;
    Report answer{};
};

// The sum of bytes 3..63, as the keyboard checks it.
[[nodiscard]] uint16_t ReportChecksum(const Report& report);

// An answer echoing the request's command, length and offset with the given status and no payload.
[[nodiscard]] Report StatusAnswer(const Report& request, uint8_t status);

// The request is taken as 64 bytes (shorter input is padded with zeros by the caller).
[[nodiscard]] CommandOutcome ProcessCommand(KeyboardMemory& memory, const Report& request);

}  // namespace qvx
