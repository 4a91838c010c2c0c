// The bound HID service library: its function table, the collection selectors and the subscriptions
// (consumer events "CONS" and command answers "CTRL").
#pragma once

#include <cstdint>

#include "device/hid_service.h"

namespace kv {

inline constexpr Selector kVendorSelector = MakeSelector(kVendorCollection);
inline constexpr Selector kConsumerSelector = MakeSelector(kConsumerCollection);
inline constexpr Selector kIndicatorSelector = MakeSelector(kIndicatorCollection);

// The table in use; every pointer is null before binding.
[[nodiscard]] const HidServiceApi& ServiceApi();
[[nodiscard]] bool IsServiceBound();

// Installs a resolved function table (the binding, or a test's in-process service).
void InstallServiceApi(const HidServiceApi& api);

// Forgets the function table, the subscription handles, the bank indicator, the exchange slot and the
// profile cache, so that a test starts from a process that has not bound anything.
void ResetServiceLink();

// Cancels the subscription's current request, then subscribes again through the same handle.
void SubscribeConsumerEvents();
void SubscribeAnswers();

// Handles of the current subscriptions (0 before the first).
[[nodiscard]] uint32_t ConsumerSubscriptionHandle();
[[nodiscard]] uint32_t AnswerSubscriptionHandle();

}  // namespace kv
