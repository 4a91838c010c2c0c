// The contract between the program and the HID service library "Quorvex.dll" (natively: libquorvex.so).
// The program binds the twelve exports by name at run time; the library delivers answers and events on a
// thread of its own through the subscriber's callback. Both sides include this header, so the records
// below are the one definition of what crosses the boundary. No Windows header here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(_WIN32)
#define KV_SERVICE_CALL __cdecl
#else
#define KV_SERVICE_CALL
#endif

namespace kv {

// --- Collection selector: 16 bytes naming one HID collection of the keyboard -------------------------
inline constexpr std::size_t kSelectorSize = 16;
inline constexpr uint32_t kSelectorMatchFlags = 15;  // vendor id, product id, usage page and usage all matched
inline constexpr uint16_t kVendorId = 0x0C45;
inline constexpr uint16_t kProductId = 0x7A31;

struct CollectionUsage {
    uint16_t usagePage;
    uint16_t usage;
};
inline constexpr CollectionUsage kVendorCollection{0xFF1C, 0x0092};     // command reports and answers
inline constexpr CollectionUsage kConsumerCollection{0x000C, 0x0001};   // keyboard events
inline constexpr CollectionUsage kIndicatorCollection{0x0008, 0x0089};  // G-key bank indicator

// A write's result when another program holds the keyboard's collection without sharing it: nothing was sent.
inline constexpr int kWriteHeldByOther = -32;

struct Selector {
    uint8_t bytes[kSelectorSize];
};
static_assert(sizeof(Selector) == kSelectorSize);

// Lays out a selector byte by byte, little-endian.
constexpr Selector MakeSelector(CollectionUsage u) {
    Selector s{};
    const uint32_t flags = kSelectorMatchFlags;
    s.bytes[0] = static_cast<uint8_t>(flags);
    s.bytes[1] = static_cast<uint8_t>(flags >> 8);
    s.bytes[2] = static_cast<uint8_t>(flags >> 16);
    s.bytes[3] = static_cast<uint8_t>(flags >> 24);
    s.bytes[4] = static_cast<uint8_t>(kVendorId);
    s.bytes[5] = static_cast<uint8_t>(kVendorId >> 8);
    s.bytes[6] = static_cast<uint8_t>(kProductId);
    s.bytes[7] = static_cast<uint8_t>(kProductId >> 8);
    s.bytes[8] = static_cast<uint8_t>(u.usagePage);
    s.bytes[9] = static_cast<uint8_t>(u.usagePage >> 8);
    s.bytes[10] = static_cast<uint8_t>(u.usage);
    s.bytes[11] = static_cast<uint8_t>(u.usage >> 8);
    return s;
}

// Reads a selector back; false when the buffer is not one of ours (flags, vendor or product differ).
inline bool ParseSelector(const void* p, CollectionUsage& out) {
    if (p == nullptr) return false;
    const auto* b = static_cast<const uint8_t*>(p);
    auto u16 = [b](int i) { return static_cast<uint16_t>(b[i] | (b[i + 1] << 8)); };
    const uint32_t flags = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    if ((flags & 1u) && u16(4) != kVendorId) return false;
    if ((flags & 2u) && u16(6) != kProductId) return false;
    out.usagePage = (flags & 4u) ? u16(8) : 0;
    out.usage = (flags & 8u) ? u16(10) : 0;
    return true;
}

// --- Subscription tags: four-character codes --------------------------------------------------------
inline constexpr uint32_t kTagCons = 0x434F4E53;  // "CONS": consumer events
inline constexpr uint32_t kTagCtrl = 0x4354524C;  // "CTRL": answers on the vendor collection
inline constexpr uint32_t kTagDel = 0x004C4544;   // "DEL": bank indicator write

// --- Records the library hands to the callback --------------------------------------------------------
inline constexpr uint32_t kNotifyStateChange = 0;  // collection attached or detached
inline constexpr uint32_t kNotifyData = 1;         // an input report arrived

// The record that the library passes for consumer events; offset 28 holds a pointer to the received
// 16-bit consumer usage. Offset 28 is not pointer-aligned on 64-bit builds, so the pointer is stored and
// read with memcpy, never through a cast.
inline constexpr std::size_t kConsumerInfoUsageOffset = 28;
struct ConsumerInfo {
    uint8_t bytes[kConsumerInfoUsageOffset + sizeof(void*)];
};

inline void SetConsumerUsagePointer(ConsumerInfo& info, const uint16_t* usage) {
    std::memcpy(info.bytes + kConsumerInfoUsageOffset, &usage, sizeof usage);
}
inline const uint16_t* ConsumerUsagePointer(const void* info) {
    const uint16_t* usage = nullptr;
    if (info != nullptr)
        std::memcpy(&usage, static_cast<const uint8_t*>(info) + kConsumerInfoUsageOffset, sizeof usage);
    return usage;
}

// Owned by the library; valid only for the duration of the callback.
struct ServiceRequestRecord {
    uint32_t tag;           // tag of the subscription
    uint32_t countOrState;  // kind 1: received bytes; kind 0: non-zero = keyboard attached
    const uint8_t* data;    // kind 1: the input report, report id in its first byte
    const ConsumerInfo* consumer;  // kind 1 on the consumer subscription; otherwise null
};

struct ServiceNotification {
    uint32_t kind;  // kNotifyData, kNotifyStateChange; other values are ignored
    uint32_t reserved;
    const ServiceRequestRecord* request;
};

#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
static_assert(offsetof(ServiceRequestRecord, countOrState) == 4);
static_assert(offsetof(ServiceRequestRecord, data) == 8);
static_assert(offsetof(ServiceRequestRecord, consumer) == 16);
#endif
static_assert(offsetof(ServiceNotification, request) == 8);

// The program's callback; returns 1 in every case.
using ServiceCallback = int(KV_SERVICE_CALL*)(const ServiceNotification* notification);

// --- The twelve exports ------------------------------------------------------------------------------
// identifier: the request identifier the caller computed over the call's selector, callback, tag and data
// (see request_id.h). handle: a subscription handle the library fills in (0 before the first request).
extern "C" {
using FnInit = int(KV_SERVICE_CALL*)(int flags);
using FnEnd = int(KV_SERVICE_CALL*)();
using FnDebug = int(KV_SERVICE_CALL*)(int level);
using FnRequestGetDeviceCount = int(KV_SERVICE_CALL*)(const void* selector, ServiceCallback callback, uint32_t tag,
                                                      uint32_t identifier, uint32_t reserved);
using FnDeleteRequestFromUnitId = int(KV_SERVICE_CALL*)(uint32_t handle);
using FnDeleteRequestFromHandle = int(KV_SERVICE_CALL*)(uint32_t handle);
using FnRequestWrite = int(KV_SERVICE_CALL*)(const void* selector, ServiceCallback callback, uint32_t tag,
                                             const void* data, uint32_t length, uint32_t identifier,
                                             uint32_t* handle);
using FnRequestWriteOne = int(KV_SERVICE_CALL*)(const void* selector, ServiceCallback callback, uint32_t tag,
                                                const void* data, uint32_t length, uint32_t identifier,
                                                uint32_t reserved);
using FnRequestStatusWrite = int(KV_SERVICE_CALL*)(const void* selector, ServiceCallback callback, uint32_t tag,
                                                   const void* data, uint32_t length, uint32_t identifier,
                                                   uint32_t* handle);
using FnRequestStatusGet = int(KV_SERVICE_CALL*)(const void* selector, ServiceCallback callback, uint32_t tag,
                                                 void* data, uint32_t length, uint32_t identifier, uint32_t* handle);
using FnRequestAsyncRead = int(KV_SERVICE_CALL*)(const void* selector, ServiceCallback callback, uint32_t tag,
                                                 uint32_t identifier, uint32_t* handle);
using FnRequestStatusSetFeature = int(KV_SERVICE_CALL*)(const void* selector, ServiceCallback callback,
                                                        uint32_t tag, const void* data, uint32_t length,
                                                        uint32_t identifier, uint32_t* handle);
}

// The export names, in the order the binding resolves them.
inline constexpr const char* kServiceExportNames[12] = {
    "Init",           "End",
    "Debug",          "RequestGetDeviceCount",
    "DeleteRequestFromUnitId", "DeleteRequestFromHandle",
    "RequestWrite",   "RequestWriteOne",
    "RequestStatusWrite", "RequestStatusGet",
    "RequestAsyncRead", "RequestStatusSetFeature",
};

// The bound library: one pointer per export.
struct HidServiceApi {
    FnInit Init = nullptr;
    FnEnd End = nullptr;
    FnDebug Debug = nullptr;
    FnRequestGetDeviceCount RequestGetDeviceCount = nullptr;
    FnDeleteRequestFromUnitId DeleteRequestFromUnitId = nullptr;
    FnDeleteRequestFromHandle DeleteRequestFromHandle = nullptr;
    FnRequestWrite RequestWrite = nullptr;
    FnRequestWriteOne RequestWriteOne = nullptr;
    FnRequestStatusWrite RequestStatusWrite = nullptr;
    FnRequestStatusGet RequestStatusGet = nullptr;
    FnRequestAsyncRead RequestAsyncRead = nullptr;
    FnRequestStatusSetFeature RequestStatusSetFeature = nullptr;
};

// The 4 callback bytes of a request identifier: the low 32 bits of the callback's address, little-endian.
inline uint32_t CallbackIdBits(ServiceCallback callback) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(callback));
}

}  // namespace kv
