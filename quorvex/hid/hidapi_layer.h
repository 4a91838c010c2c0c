// The HID layer over hidapi (hidraw backend), natively. hidapi's own calls come through a table so tests
// can stand in for the library. hidraw gives one node per interface, so an interface with several top-level
// collections appears once per collection with the same path: a collection's id is its path, its usage
// page and its usage. The node's report descriptor tells which input reports are the collection's own and
// how long its output reports are.
#pragma once

#include <hidapi.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "hid/hid_port.h"

namespace qvx::hid {

struct HidapiCalls {
    hid_device_info* (*enumerate)(unsigned short vendorId, unsigned short productId) = nullptr;
    void (*freeEnumeration)(hid_device_info* list) = nullptr;
    hid_device* (*openPath)(const char* path) = nullptr;
    int (*readTimeout)(hid_device* device, unsigned char* data, std::size_t length, int milliseconds) = nullptr;
    int (*write)(hid_device* device, const unsigned char* data, std::size_t length) = nullptr;
    int (*sendFeatureReport)(hid_device* device, const unsigned char* data, std::size_t length) = nullptr;
    void (*close)(hid_device* device) = nullptr;
    // The report descriptor of a node (hidraw: from sysfs); false when it cannot be read.
    bool (*readDescriptor)(const char* path, std::vector<uint8_t>& out) = nullptr;
};

// Reads /sys/class/hidraw/<node>/device/report_descriptor for a /dev/hidraw<N> path.
[[nodiscard]] bool ReadHidrawDescriptor(const char* path, std::vector<uint8_t>& out);

class HidapiLayer {
public:
    explicit HidapiLayer(HidapiCalls calls) : calls_(calls) {}
    HidapiLayer(const HidapiLayer&) = delete;
    HidapiLayer& operator=(const HidapiLayer&) = delete;

    // The port over this layer; valid while the layer lives.
    [[nodiscard]] HidPort Port();

    // The system path inside a collection id.
    [[nodiscard]] static std::string PathOf(const std::string& id);

private:
    struct Entry {
        std::string path;
        HidAttributes attributes;
        HidCaps caps;
    };
    static bool Enumerate(void* context, std::vector<std::string>& ids);
    static bool Attributes(void* context, const std::string& id, HidAttributes& out);
    static bool Caps(void* context, const std::string& id, HidCaps& out);
    static HidDevice Open(void* context, const std::string& id);
    static int Read(void* context, HidDevice device, uint8_t* buffer, std::size_t capacity, int timeoutMs);
    static int Write(void* context, HidDevice device, const uint8_t* data, std::size_t length, int timeoutMs);
    static int SetFeature(void* context, HidDevice device, const uint8_t* data, std::size_t length);
    static void Cancel(void* context, HidDevice device);
    static void Close(void* context, HidDevice device);
    static HidError LastError(void* context);

    HidapiCalls calls_;
    std::mutex callMu_;                     // hidapi's enumerate, open and close keep global state: one at a time
    std::mutex mu_;                         // guards entries_
    std::map<std::string, Entry> entries_;  // what the last enumeration said, by collection id
};

}  // namespace qvx::hid
