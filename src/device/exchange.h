// The blocking exchange of one command report for the keyboard's answer, and the two calls beside it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kv {

// Sends request (padded with zeros to 64 bytes) on the vendor collection and waits for the answer: up to
// three attempts of 1000 ms, 10 ms apart; an answer must echo the command byte, and answers with status
// 0xFF/0xFE are retried too. Returns 1 (answer in `answer`, its length in *receivedCount), 0 (keyboard
// absent), -1 (write refused) or -2 (no matching answer). A caller that finds another exchange outstanding
// first waits 1001 ms. Never call from the HID service's callback.
[[nodiscard]] int ExchangeReport(const uint8_t* request, std::size_t requestLength, uint8_t* answer,
                                 std::size_t answerCapacity, std::size_t* receivedCount);

// Sends a report without waiting for anything; the HID service's result for the write (> 0 = accepted).
[[nodiscard]] int SendReportNoWait(const uint8_t* report, std::size_t length);

// The HID service's device count for the vendor collection; 0 = absent (also before binding).
[[nodiscard]] int IsDevicePresent();

// The answer path, on the HID service's thread: an input report from the vendor collection. Copied into the
// waiting exchange's buffer (cut to its capacity) only while an attempt is outstanding; ignored otherwise.
// A report that repeats the command, length and offset of an earlier request that was sent more than once
// (and not those of the waiting one) is a late answer to that request: ignored for 10 s after it.
void DeliverAnswer(const uint8_t* data, std::size_t count);

// Clears the busy flag and the answer event (binding, and tests).
void ResetExchangeSlot();

}  // namespace kv
