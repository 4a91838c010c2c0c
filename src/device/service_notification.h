// The program's callback for the HID service. Runs on the service's own thread and returns 1 in every case.
// Answers on "CTRL" go to the waiting exchange; attach/detach of the vendor collection and consumer event
// codes go to the registered DeviceEventSink; everything else is ignored.
#pragma once

#include "device/hid_service.h"

namespace kv {

int KV_SERVICE_CALL OnServiceNotification(const ServiceNotification* notification);

}  // namespace kv
