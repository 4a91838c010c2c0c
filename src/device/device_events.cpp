// Threads: the sink is registered on the main window's thread and read on the HID service's thread and the
// binding's; the pointer is atomic, and a sink stays registered for as long as the service may call it.
#include "device/device_events.h"

#include <atomic>

namespace kv {
namespace {
DeviceEventSink g_ignoreAll;
std::atomic<DeviceEventSink*> g_sink{&g_ignoreAll};
}  // namespace

void SetDeviceEventSink(DeviceEventSink* sink) { g_sink.store(sink ? sink : &g_ignoreAll); }

DeviceEventSink& CurrentDeviceEventSink() { return *g_sink.load(); }

}  // namespace kv
