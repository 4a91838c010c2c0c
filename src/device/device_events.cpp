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
