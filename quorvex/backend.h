// The interface between the export layer (exports.cpp, the twelve named entry points) and whatever stands
// behind it: the virtual keyboard today, a backend over the system's HID stack later. The export layer
// parses selectors, checks request identifiers and forwards; a backend does the rest and calls the
// subscribers' callbacks on a thread of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "device/hid_service.h"

namespace qvx {

class HidBackend {
public:
    virtual ~HidBackend() = default;

    // Init and End. Start returns > 0 when the backend runs; Stop ends its threads.
    [[nodiscard]] virtual int Start() = 0;
    virtual void Stop() = 0;

    // Number of present collections that match; 0 for none or an unknown collection.
    [[nodiscard]] virtual int DeviceCount(kv::CollectionUsage collection) = 0;

    // A subscription: every input report and state change of the collection reaches the callback with
    // this tag until cancelled. Returns its handle (never 0), or 0 when refused.
    [[nodiscard]] virtual uint32_t Subscribe(kv::CollectionUsage collection, kv::ServiceCallback callback,
                                             uint32_t tag) = 0;
    // A handle for a finished write (never 0); cancelling it later is harmless.
    [[nodiscard]] virtual uint32_t NewHandle() = 0;
    // Cancels a subscription or forgets a finished write; false when no request has this handle.
    virtual bool Cancel(uint32_t handle) = 0;

    // One output report to the collection; > 0 when sent, 0 when the collection is absent or refuses.
    [[nodiscard]] virtual int WriteReport(kv::CollectionUsage collection, const uint8_t* data, std::size_t length) = 0;
    // An output report on a status collection (the bank indicator); > 0 when sent. handle: filled in.
    [[nodiscard]] virtual int WriteStatus(kv::CollectionUsage collection, const uint8_t* data, std::size_t length,
                                          uint32_t* handle) = 0;
    // The last status written to a status collection; bytes copied, 0 when absent.
    [[nodiscard]] virtual int ReadStatus(kv::CollectionUsage collection, uint8_t* data, std::size_t length) = 0;
    // A feature report; > 0 when accepted.
    [[nodiscard]] virtual int SetFeature(kv::CollectionUsage collection, const uint8_t* data, std::size_t length) = 0;

    // A call whose request identifier did not match what it carried; counted and logged, not refused.
    virtual void NoteRequestIdMismatch(const char* call, uint32_t got, uint32_t expected) = 0;
    // 0 keeps the log in memory only; higher levels also print each line to the error output.
    virtual int SetVerbosity(int level) = 0;
};

// The backend the library runs on.
[[nodiscard]] std::unique_ptr<HidBackend> CreateBackend();

}  // namespace qvx
