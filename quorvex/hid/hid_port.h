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

// One value field of an input report, as the collection declares it.
struct HidValueField {
    uint8_t reportId = 0;
    uint16_t usagePage = 0;
    uint16_t bitSize = 0;      // bits of one value
    uint16_t reportCount = 0;  // values in the field
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
    // The input data fields wider than one bit the collection declares (values, and arrays of usage
    // indexes); empty = not known.
    std::vector<HidValueField> inputValues;
};

using HidDevice = void*;  // an open collection, owned by the port until closed

// Why an open failed.
inline constexpr int kOpenFailed = 1;          // gone, refused, or not allowed
inline constexpr int kOpenHeldByOther = 2;     // another program holds the collection without sharing it

enum class HidAccess { Read, Write };

// What the system tells about collections and the computer, on a thread of its own. QueryRemove and
// QueryRemoveFailed name a collection the port has open (the system asks before disabling or updating its
// driver; every handle of it must be closed before the sink returns, or the system asks for a restart).
enum class HidEvent { Arrival, Removal, QueryRemove, QueryRemoveFailed, Suspend, Resume };
using HidEventSink = void (*)(void* sinkContext, HidEvent event, const std::string& id);  // id empty: the computer

// Results of read and write.
inline constexpr int kIoTimedOut = 0;  // read: nothing arrived in time, or the read was cancelled
inline constexpr int kIoFailed = -1;   // the collection is gone or its handle went stale

// Why the calling thread's last failed call on the port failed (open, read, write, setFeature, enumerate).
enum class HidFailure : uint8_t {
    None,
    TimedOut,          // the transfer did not finish in time; a write may still have reached the keyboard
    Gone,              // the collection was removed or the handle is no longer valid: reopen, then try again
    Refused,           // the system or the device refused this very call (wrong length, bad parameter, access)
    SharingViolation,  // open: another program holds the collection without sharing it
    Other,
};
struct HidError {
    HidFailure failure = HidFailure::None;
    uint32_t systemCode = 0;  // the system's own error code (GetLastError, errno), 0 when none
    bool handleDead = false;  // the handle cannot be used again (a cancelled transfer is still pending): close it
};

// The port's functions may be called from several threads at once: a layer whose system calls are not
// safe to run concurrently serialises them itself.
struct HidPort {
    void* context = nullptr;
    // The ids of the present HID collections (a system path, unique per collection). false: the system
    // call failed, or the listing ended early on an error; ids then says nothing.
    bool (*enumerate)(void* context, std::vector<std::string>& ids) = nullptr;
    bool (*attributes)(void* context, const std::string& id, HidAttributes& out) = nullptr;
    bool (*caps)(void* context, const std::string& id, HidCaps& out) = nullptr;
    // Opens for reading and writing, sharing both with other openers; nullptr on failure.
    HidDevice (*open)(void* context, const std::string& id) = nullptr;
    // Input reports, report id first: bytes read (> 0), kIoTimedOut or kIoFailed. A system that queues
    // reports may fill the buffer with as many whole reports as fit: callers ask for one report's length.
    int (*read)(void* context, HidDevice device, uint8_t* buffer, std::size_t capacity, int timeoutMs) = nullptr;
    // One output report, report id first: > 0 when the system finished the write (the count it gives, which
    // may be short of the report's length although the report went out whole), or <= 0 when it did not go
    // out within timeoutMs (lastError: TimedOut; handleDead when the cancelled transfer is still pending).
    int (*write)(void* context, HidDevice device, const uint8_t* data, std::size_t length, int timeoutMs) = nullptr;
    // One feature report; > 0 when accepted.
    int (*setFeature)(void* context, HidDevice device, const uint8_t* data, std::size_t length) = nullptr;
    // Wakes a read that is waiting on this device (from another thread); harmless when none waits.
    void (*cancel)(void* context, HidDevice device) = nullptr;
    void (*close)(void* context, HidDevice device) = nullptr;
    // Optional. Why the calling thread's last failed call failed; called right after that call returned.
    // Without it a failure is taken as HidFailure::Other.
    HidError (*lastError)(void* context) = nullptr;

    // The parts below are optional (nullptr: the backend does without).

    // Opens for reading only or for writing only, sharing both with other openers (never exclusively);
    // nullptr on failure with *why set to kOpenFailed or kOpenHeldByOther. Preferred to open when present.
    HidDevice (*openFor)(void* context, const std::string& id, HidAccess access, int* why) = nullptr;
    // true: cancel also ends a read that starts after it (it waits on no clock), so reads need no time-out.
    bool cancelEndsRead = false;
    // Throws away the input reports queued on the handle and not yet read.
    void (*flush)(void* context, HidDevice device) = nullptr;

    // Starts telling sink of collections arriving and going and of the computer's suspend and resume; false
    // when the system cannot (the backend then polls). unwatch: no sink call runs or starts once it returns.
    bool (*watch)(void* context, HidEventSink sink, void* sinkContext) = nullptr;
    void (*unwatch)(void* context) = nullptr;

    // The keyboard's exchange lock, one for every program on the computer that uses this library: one
    // command and its answer at a time. Taken and given back on the same thread; false when not taken within
    // timeoutMs (0: only a look). nullptr: no other program can be told apart.
    bool (*lockExchange)(void* context, int timeoutMs) = nullptr;
    void (*unlockExchange)(void* context) = nullptr;

    // Field diagnostics: above level 0 the port writes its own failures, with the system's error codes, and
    // each line given to log, where a support request can pick them up (Windows: the debugger's output and a
    // log file in the user's folder).
    void (*setLogLevel)(void* context, int level) = nullptr;
    void (*log)(void* context, const std::string& line) = nullptr;
};

// The platform's HID layer (hid_port_win.cpp, hid_port_posix.cpp).
[[nodiscard]] HidPort SystemHidPort();

}  // namespace qvx::hid
