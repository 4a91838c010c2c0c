// The twelve exports of our HID service library, over one backend. Each call's request identifier is
// recomputed and compared with the one passed; mismatches are counted and logged, never refused.
//
//   Init                     starts the backend (the keyboard thread and the control channel); 1
//   End                      stops it and saves what it must keep; 1. Init may follow again
//   Debug(level)             log verbosity: 0 log in memory only, above 0 also on the error output; 1
//   RequestGetDeviceCount    1 for each of the three collections while attached, otherwise 0
//   RequestAsyncRead         subscribes callback + tag to a collection's input reports and presence
//                            changes; fills in a non-zero handle; 1, or 0 when refused
//   DeleteRequestFromUnitId  cancels the request with that handle; 1 when it existed
//   DeleteRequestFromHandle  the same (handles and unit ids are one numbering here)
//   RequestWriteOne          one output report on the vendor collection; 1 when sent, 0 when detached
//                            or refused
//   RequestWrite             the same write (its length when sent), also filling in a handle for the
//                            finished request
//   RequestStatusWrite       the 2-byte bank indicator report on the indicator collection; stored, logged;
//                            its length when taken, 0 otherwise; always fills in a handle
//   RequestStatusGet         copies the bank indicator last written; bytes copied, 0 when detached
//   RequestStatusSetFeature  a feature report: logged, no effect; its length, 0 when detached
// Threads: any caller thread; the backend pointer is created once and guarded by gLock for Init/End.
// Nothing thrown inside (a thread that cannot start, memory running out) leaves an export: the caller is a
// program that knows nothing of C++ exceptions, and one crossing into it ends the process. Such a call
// returns 0, the result of a refused request.
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>

#include "backend.h"
#include "device/hid_service.h"
#include "device/request_id.h"

#if defined(_WIN32)
#define QVX_EXPORT extern "C"
#else
#define QVX_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

std::mutex gLock;
// Never destroyed: the program ends without calling End, and a backend's threads must not outlive
// a destroyed object during process exit.
qvx::HidBackend* gBackend = nullptr;

qvx::HidBackend& Backend() {
    std::lock_guard<std::mutex> lock(gLock);
    if (gBackend == nullptr) gBackend = qvx::CreateBackend().release();
    return *gBackend;
}

template <typename Body>
int Guarded(Body body) {
    try {
        return body();
    } catch (...) {
        return 0;
    }
}

bool Collection(const void* selector, kv::CollectionUsage& out) { return kv::ParseSelector(selector, out); }

void CheckId(const char* call, const void* selector, kv::ServiceCallback callback, uint32_t tag, const void* data,
             std::size_t length, uint32_t identifier) {
    kv::Selector s{};
    if (selector != nullptr) std::memcpy(s.bytes, selector, sizeof s.bytes);
    const uint32_t expected = kv::CallRequestId(s, callback, tag, data, length);
    if (expected != identifier) Backend().NoteRequestIdMismatch(call, identifier, expected);
}

}  // namespace

QVX_EXPORT int KV_SERVICE_CALL Init(int /*flags*/) {
    return Guarded([] { return Backend().Start(); });
}

QVX_EXPORT int KV_SERVICE_CALL End() {
    return Guarded([&] {
        Backend().Stop();
        return 1;
    });
}

QVX_EXPORT int KV_SERVICE_CALL Debug(int level) {
    return Guarded([&] { return Backend().SetVerbosity(level); });
}

QVX_EXPORT int KV_SERVICE_CALL RequestGetDeviceCount(const void* selector, kv::ServiceCallback callback, uint32_t tag,
                                                     uint32_t identifier, uint32_t /*reserved*/) {
    return Guarded([&] {
        CheckId("RequestGetDeviceCount", selector, callback, tag, nullptr, 0, identifier);
        kv::CollectionUsage c{};
        if (!Collection(selector, c)) return 0;
        return Backend().DeviceCount(c);
    });
}

QVX_EXPORT int KV_SERVICE_CALL DeleteRequestFromUnitId(uint32_t handle) {
    return Guarded([&] {
        if (handle == 0) return 0;
        return Backend().Cancel(handle) ? 1 : 0;
    });
}

// Handles and unit ids are the same numbers here.
QVX_EXPORT int KV_SERVICE_CALL DeleteRequestFromHandle(uint32_t handle) { return DeleteRequestFromUnitId(handle); }

// The asynchronous write: the same as the single-report write, with a handle for the finished request.
QVX_EXPORT int KV_SERVICE_CALL RequestWrite(const void* selector, kv::ServiceCallback callback, uint32_t tag,
                                            const void* data, uint32_t length, uint32_t identifier, uint32_t* handle) {
    return Guarded([&] {
        CheckId("RequestWrite", selector, callback, tag, data, length, identifier);
        kv::CollectionUsage c{};
        if (!Collection(selector, c) || data == nullptr) return 0;
        const int result = Backend().WriteReport(c, static_cast<const uint8_t*>(data), length);
        if (handle != nullptr && result > 0) *handle = Backend().NewHandle();
        return result;
    });
}

QVX_EXPORT int KV_SERVICE_CALL RequestWriteOne(const void* selector, kv::ServiceCallback callback, uint32_t tag,
                                               const void* data, uint32_t length, uint32_t identifier,
                                               uint32_t /*reserved*/) {
    return Guarded([&] {
        CheckId("RequestWriteOne", selector, callback, tag, data, length, identifier);
        kv::CollectionUsage c{};
        if (!Collection(selector, c) || data == nullptr) return 0;
        // 1 for a sent report: callers compare with 1, not with the length.
        return Backend().WriteReport(c, static_cast<const uint8_t*>(data), length) > 0 ? 1 : 0;
    });
}

QVX_EXPORT int KV_SERVICE_CALL RequestStatusWrite(const void* selector, kv::ServiceCallback callback, uint32_t tag,
                                                  const void* data, uint32_t length, uint32_t identifier,
                                                  uint32_t* handle) {
    return Guarded([&] {
        CheckId("RequestStatusWrite", selector, callback, tag, data, length, identifier);
        kv::CollectionUsage c{};
        if (!Collection(selector, c) || data == nullptr) return 0;
        return Backend().WriteStatus(c, static_cast<const uint8_t*>(data), length, handle);
    });
}

// Reads back the last status written to the collection (the bank indicator); returns the bytes copied.
QVX_EXPORT int KV_SERVICE_CALL RequestStatusGet(const void* selector, kv::ServiceCallback callback, uint32_t tag,
                                                void* data, uint32_t length, uint32_t identifier,
                                                uint32_t* /*handle*/) {
    return Guarded([&] {
        CheckId("RequestStatusGet", selector, callback, tag, nullptr, 0, identifier);
        kv::CollectionUsage c{};
        if (!Collection(selector, c) || data == nullptr) return 0;
        return Backend().ReadStatus(c, static_cast<uint8_t*>(data), length);
    });
}

QVX_EXPORT int KV_SERVICE_CALL RequestAsyncRead(const void* selector, kv::ServiceCallback callback, uint32_t tag,
                                                uint32_t identifier, uint32_t* handle) {
    return Guarded([&] {
        CheckId("RequestAsyncRead", selector, callback, tag, nullptr, 0, identifier);
        kv::CollectionUsage c{};
        if (!Collection(selector, c) || callback == nullptr) return 0;
        const uint32_t h = Backend().Subscribe(c, callback, tag);
        if (handle != nullptr) *handle = h;
        return h != 0 ? 1 : 0;
    });
}

QVX_EXPORT int KV_SERVICE_CALL RequestStatusSetFeature(const void* selector, kv::ServiceCallback callback,
                                                       uint32_t tag, const void* data, uint32_t length,
                                                       uint32_t identifier, uint32_t* /*handle*/) {
    return Guarded([&] {
        CheckId("RequestStatusSetFeature", selector, callback, tag, data, length, identifier);
        kv::CollectionUsage c{};
        if (!Collection(selector, c) || data == nullptr) return 0;
        return Backend().SetFeature(c, static_cast<const uint8_t*>(data), length);
    });
}
