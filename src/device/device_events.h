// Where the device link hands keyboard events on. The application registers one sink (the attach worker, the
// bank switch, the lighting reload and the busy-state handling live behind it); until then events are dropped.
#pragma once

#include <cstdint>

namespace kv {

class DeviceEventSink {
public:
    virtual ~DeviceEventSink() = default;
    // End of the binding, on the binding's thread: the vendor collection's device count (0 = no keyboard).
    virtual void OnInitialPresence(int /*deviceCount*/) {}
    // On the HID service's thread; must return quickly and never wait for the keyboard.
    // The vendor collection was attached (state != 0) or detached (state == 0).
    virtual void OnPresenceChanged(uint32_t /*state*/) {}
    // A consumer event code from the keyboard (bank switch, lighting changed, busy states...).
    virtual void OnConsumerEvent(uint16_t /*code*/) {}
};

// nullptr restores the sink that does nothing. The sink must outlive its registration.
void SetDeviceEventSink(DeviceEventSink* sink);
[[nodiscard]] DeviceEventSink& CurrentDeviceEventSink();

}  // namespace kv
