// An in-process HID service for the device link's tests: a function table of plain functions over one
// scripted keyboard. Every write is recorded; answers come from a small memory model of the keyboard unless a
// test's responder says otherwise, and are delivered through the subscribed "CTRL" callback, either inside
// the write (as a fast library would) or from a thread after a delay.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "device/hid_service.h"
#include "device/report.h"

namespace kv::test {

struct FakeWrite {
    Report report{};
    uint32_t length = 0;
    uint32_t identifier = 0;
    uint32_t tag = 0;
    bool callbackPassed = false;
    CollectionUsage collection{};
    std::chrono::steady_clock::time_point at;
};

struct FakeSubscription {
    CollectionUsage collection{};
    uint32_t tag = 0;
    uint32_t identifier = 0;
    ServiceCallback callback = nullptr;
    uint32_t handleBefore = 0;
    uint32_t* handle = nullptr;
};

struct FakeStatusWrite {
    CollectionUsage collection{};
    uint32_t tag = 0;
    std::vector<uint8_t> data;
    uint32_t identifier = 0;
    uint32_t handleBefore = 0;
};

// What the keyboard does with one request.
struct FakeAnswer {
    std::optional<std::vector<uint8_t>> bytes;  // nullopt: the answer is lost
    std::chrono::milliseconds delay{0};          // 0: delivered inside the write call
};

class FakeHidService {
public:
    FakeHidService();   // the current fake; resets the device link
    ~FakeHidService();  // waits for delayed deliveries, resets the device link
    FakeHidService(const FakeHidService&) = delete;
    FakeHidService& operator=(const FakeHidService&) = delete;

    [[nodiscard]] HidServiceApi Api() const;

    // Scripting (set before the calls they affect).
    int initResult = 1;
    int deviceCount = 1;
    int writeResult = 1;
    // Request and its index among all command writes (0-based) -> answer. Default: ModelAnswer.
    std::function<FakeAnswer(const Report& request, int index)> responder;

    // The memory model's answer: echo of bytes 0..7 with status 0; read commands carry the addressed bytes.
    [[nodiscard]] FakeAnswer ModelAnswer(const Report& request);
    std::vector<uint8_t> keyTables = std::vector<uint8_t>(3 * 378);
    std::vector<uint8_t> defaultKeyTable = std::vector<uint8_t>(378);
    std::vector<uint8_t> macros = std::vector<uint8_t>(65536 + 56);
    std::vector<uint8_t> info = std::vector<uint8_t>(44);
    std::vector<uint8_t> lighting = std::vector<uint8_t>(3 * 42 + 56);
    std::vector<uint8_t> keyColors = std::vector<uint8_t>(3 * 512 + 56);

    // Events from the library's side.
    void DeliverOnCtrl(const std::vector<uint8_t>& bytes);
    void DeliverStateChange(uint32_t state);
    void DeliverConsumerCode(uint16_t code);

    // Records.
    [[nodiscard]] std::vector<FakeWrite> Writes() const;
    [[nodiscard]] std::vector<FakeSubscription> Subscriptions() const;
    [[nodiscard]] std::vector<uint32_t> DeletedHandles() const;
    [[nodiscard]] std::vector<FakeStatusWrite> StatusWrites() const;
    [[nodiscard]] int CountCalls() const;
    [[nodiscard]] std::vector<uint32_t> CountIdentifiers() const;
    [[nodiscard]] int InitCalls() const;
    // Number of command writes whose byte 3 is `command`.
    [[nodiscard]] int WritesOf(uint8_t command) const;

    // Called by the function table.
    int OnInit(int flags);
    int OnGetDeviceCount(const void* selector, ServiceCallback callback, uint32_t tag, uint32_t identifier);
    int OnDelete(uint32_t handle);
    int OnWriteOne(const void* selector, ServiceCallback callback, uint32_t tag, const void* data, uint32_t length,
                   uint32_t identifier);
    int OnStatusWrite(const void* selector, ServiceCallback callback, uint32_t tag, const void* data,
                      uint32_t length, uint32_t identifier, uint32_t* handle);
    int OnAsyncRead(const void* selector, ServiceCallback callback, uint32_t tag, uint32_t identifier,
                    uint32_t* handle);

private:
    ServiceCallback CallbackFor(uint32_t tag) const;
    void Deliver(uint32_t tag, uint32_t kind, uint32_t countOrState, const uint8_t* data, const ConsumerInfo* consumer);

    mutable std::mutex mutex_;
    std::vector<FakeWrite> writes_;
    std::vector<FakeSubscription> subscriptions_;
    std::vector<uint32_t> deleted_;
    std::vector<FakeStatusWrite> statusWrites_;
    std::vector<uint32_t> countIds_;
    int initCalls_ = 0;
    uint32_t nextHandle_ = 100;
    std::vector<std::thread> deliveries_;
};

// A request built the way a test wants it (not sealed).
Report Request(uint8_t command, uint8_t length = 0, uint32_t offset = 0);

// Runs the binding sequence over the fake's table; true when bound.
[[nodiscard]] bool BindFake(const FakeHidService& fake);

// The request's length and offset fields.
[[nodiscard]] int LengthOf(const Report& r);
[[nodiscard]] int OffsetOf(const Report& r);

}  // namespace kv::test
