// Threads: runs on the HID service's thread only. It takes no lock of its own; the answer path holds the
// exchange slot's mutex for one copy, and the sink must return quickly.
#include "device/service_notification.h"

#include "device/device_events.h"
#include "device/exchange.h"

namespace kv {

int KV_SERVICE_CALL OnServiceNotification(const ServiceNotification* notification) try {
    if (notification == nullptr || notification->request == nullptr) return 1;
    const ServiceRequestRecord& record = *notification->request;
    if (notification->kind == kNotifyData) {
        if (record.tag == kTagCtrl) {
            DeliverAnswer(record.data, record.countOrState);
        } else if (record.tag == kTagCons) {
            if (const uint16_t* usage = ConsumerUsagePointer(record.consumer))
                CurrentDeviceEventSink().OnConsumerEvent(*usage);
        }
    } else if (notification->kind == kNotifyStateChange && record.tag == kTagCtrl) {
        CurrentDeviceEventSink().OnPresenceChanged(record.countOrState);
    }
    return 1;
} catch (...) {
    // Nothing may cross into the HID service library, which would end the process: the event is lost.
    return 1;
}

}  // namespace kv
