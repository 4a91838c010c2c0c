// A stand-in HID service library for the Windows binding and start-up tests: every export answers at once and
// no keyboard is ever present. Variants the program must refuse: Init failing (KV_PROBE_INIT_FAILS) and an
// export missing (KV_PROBE_WITHOUT_STATUS_GET: RequestStatusGet, which the program never calls but requires).
#include <cstdint>

#include "device/hid_service.h"

#define KV_PROBE_EXPORT extern "C" __declspec(dllexport)

using kv::ServiceCallback;

#if defined(KV_PROBE_INIT_FAILS)
KV_PROBE_EXPORT int KV_SERVICE_CALL Init(int) { return 0; }
#else
KV_PROBE_EXPORT int KV_SERVICE_CALL Init(int) { return 1; }
#endif
KV_PROBE_EXPORT int KV_SERVICE_CALL End() { return 1; }
KV_PROBE_EXPORT int KV_SERVICE_CALL Debug(int) { return 1; }
KV_PROBE_EXPORT int KV_SERVICE_CALL RequestGetDeviceCount(const void*, ServiceCallback, uint32_t, uint32_t, uint32_t) {
    return 0;
}
KV_PROBE_EXPORT int KV_SERVICE_CALL DeleteRequestFromUnitId(uint32_t) { return 1; }
KV_PROBE_EXPORT int KV_SERVICE_CALL DeleteRequestFromHandle(uint32_t) { return 1; }
KV_PROBE_EXPORT int KV_SERVICE_CALL RequestWrite(const void*, ServiceCallback, uint32_t, const void*, uint32_t,
                                                 uint32_t, uint32_t*) {
    return 1;
}
KV_PROBE_EXPORT int KV_SERVICE_CALL RequestWriteOne(const void*, ServiceCallback, uint32_t, const void*, uint32_t,
                                                    uint32_t, uint32_t) {
    return 1;
}
KV_PROBE_EXPORT int KV_SERVICE_CALL RequestStatusWrite(const void*, ServiceCallback, uint32_t, const void*, uint32_t,
                                                       uint32_t, uint32_t* handle) {
    if (handle != nullptr) *handle = 1;
    return 1;
}
#if !defined(KV_PROBE_WITHOUT_STATUS_GET)
KV_PROBE_EXPORT int KV_SERVICE_CALL RequestStatusGet(const void*, ServiceCallback, uint32_t, void*, uint32_t, uint32_t,
                                                     uint32_t*) {
    return 1;
}
#endif
KV_PROBE_EXPORT int KV_SERVICE_CALL RequestAsyncRead(const void*, ServiceCallback, uint32_t, uint32_t,
                                                     uint32_t* handle) {
    if (handle != nullptr) *handle = 2;
    return 1;
}
KV_PROBE_EXPORT int KV_SERVICE_CALL RequestStatusSetFeature(const void*, ServiceCallback, uint32_t, const void*,
                                                            uint32_t, uint32_t, uint32_t*) {
    return 1;
}
