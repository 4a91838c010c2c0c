// The G-key bank indicator: a 2-byte output report (05 02 at start; bit 0 of byte 1 = bank B) written to the
// indicator collection with the "DEL" request. Called from the HID service's callback: it only writes.
#pragma once

#include <array>
#include <cstdint>

namespace kv {

inline constexpr std::array<uint8_t, 2> kBankIndicatorStart{0x05, 0x02};

// Back to 05 02 and handle 0 (binding).
void ResetBankIndicator();
[[nodiscard]] std::array<uint8_t, 2> BankIndicatorReport();
// 0 = bank A, 1 = bank B.
[[nodiscard]] int CurrentGKeyBank();

// Toggles the bank bit and writes the report: the previous "DEL" request is cancelled, then the two bytes are
// written through the same handle. The write's result is not acted upon. Returns the new bank.
int ToggleGKeyBank();

}  // namespace kv
