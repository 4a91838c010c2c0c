// The HID service's callback: whatever goes wrong behind it, nothing thrown crosses into the library, whose
// thread would take the whole process down with it.
#include "device/service_notification.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <system_error>

#include "device/device_events.h"
#include "device/hid_service.h"

namespace kv {
namespace {

class ThrowingSink : public DeviceEventSink {
public:
    void OnPresenceChanged(uint32_t) override {
        // What std::thread throws when the system refuses a new thread.
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    void OnConsumerEvent(uint16_t) override { throw std::bad_alloc(); }
};

TEST(ServiceCallback, NothingThrownBehindItLeavesIt) {
    ThrowingSink sink;
    SetDeviceEventSink(&sink);
    ServiceRequestRecord ctrl{kTagCtrl, 0, nullptr, nullptr};
    const ServiceNotification detach{kNotifyStateChange, 0, &ctrl};
    uint16_t usage = 0x02FF;
    ConsumerInfo info{};
    SetConsumerUsagePointer(info, &usage);
    const uint8_t report[3] = {3, 0xFF, 0x02};
    ServiceRequestRecord cons{kTagCons, 3, report, &info};
    const ServiceNotification bank{kNotifyData, 0, &cons};
    for (const ServiceNotification* n : {&detach, &bank}) {
        int result = 0;
        EXPECT_NO_THROW(result = OnServiceNotification(n));
        EXPECT_EQ(result, 1);
    }
    SetDeviceEventSink(nullptr);
}

}  // namespace
}  // namespace kv
