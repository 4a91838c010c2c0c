// The narrow HID layer under the hardware backend: a table of plain functions for finding collections,
// opening them and moving reports. The platform supplies one (SetupAPI and the HID class driver on
// Windows, hidapi over hidraw natively); tests supply a fake. Everything above it is portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qvx::hid {

struct HidAttributes {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t version = 0;
};

// Report lengths count the report id byte; 0 = not known (the report then goes out as given).
struct HidCaps {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t inputReportLength = 0;
    uint16_t outputReportLength = 0;
    uint16_t featureReportLength = 0;
    // When the system node also carries other collections (hidraw: one node per interface), the input
    // report ids that belong to this collection; empty = every report read belongs to it.
    std::vector<uint8_t> inputReportIds;
};

using HidDevice = void*;  // an open collection, owned by the port until closed

// Results of read and write.
inline constexpr int kIoTimedOut = 0;  // read: nothing arrived in time, or the read was cancelled
inline constexpr int kIoFailed = -1;   // the collection is gone or its handle went stale

struct HidPort {
    void* context = nullptr;
    // The ids of the present HID collections (a system path, unique per collection). false: the system
    // call failed, ids says nothing.
    bool (*enumerate)(void* context, std::vector<std::string>& ids) = nullptr;
    bool (*attributes)(void* context, const std::string& id, HidAttributes& out) = nullptr;
    bool (*caps)(void* context, const std::string& id, HidCaps& out) = nullptr;
    // Opens for reading and writing, sharing both with other openers; nullptr on failure.
    HidDevice (*open)(void* context, const std::string& id) = nullptr;
    // One input report, report id first: bytes read (> 0), kIoTimedOut or kIoFailed.
    int (*read)(void* context, HidDevice device, uint8_t* buffer, std::size_t capacity, int timeoutMs) = nullptr;
    // One output report, report id first: bytes written (the whole report), or <= 0 when it did not go out
    // within timeoutMs.
    int (*write)(void* context, HidDevice device, const uint8_t* data, std::size_t length, int timeoutMs) = nullptr;
    // One feature report; > 0 when accepted.
    int (*setFeature)(void* context, HidDevice device, const uint8_t* data, std::size_t length) = nullptr;
    // Wakes a read that is waiting on this device (from another thread); harmless when none waits.
    void (*cancel)(void* context, HidDevice device) = nullptr;
    void (*close)(void* context, HidDevice device) = nullptr;
};

// The platform's HID layer (hid_port_win.cpp, hid_port_posix.cpp).
[[nodiscard]] HidPort SystemHidPort();

}  // namespace qvx::hid
