// Threads: ExchangeReport runs on the main window's thread and on worker threads; DeliverAnswer runs on the
// HID service's thread. g_attemptMutex lets one attempt (send + wait) be outstanding at a time; it is
// released for the 10 ms pause between attempts so that another caller can get in. The slot's fields are
// guarded by g_slot.mutex, which is only ever held for a copy, so the service's thread never waits long.
// The slot accepts an answer only while an attempt is live: it is disarmed under its mutex before the
// attempt's owner looks at the answer, so a late answer never lands in a buffer that has been given back.
// The keyboard answers every report it receives, so a request sent more than once may be answered again
// after its exchange has ended; g_slot.lateHeads (under g_slot.mutex) keeps such requests' first bytes for a
// while, and an answer that repeats them is not taken as the answer to a different request.
#include "device/exchange.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "device/auto_reset_event.h"
#include "device/commands.h"
#include "device/report.h"
#include "device/request_id.h"
#include "device/service_link.h"

namespace kv {
namespace {

using std::chrono::milliseconds;

constexpr int kAttempts = 3;
constexpr milliseconds kAnswerWait{1000};
constexpr milliseconds kRetryPause{10};
constexpr milliseconds kBusyEntryWait{1001};
// How long a request sent more than once may still be answered after its exchange has ended.
constexpr milliseconds kLateAnswerWindow{10000};

// Command, length and offset (bytes 3..6): what an answer repeats of its request.
using RequestHead = std::array<uint8_t, 4>;
constexpr std::size_t kHeadStart = kCommandByte;

struct LateHead {
    RequestHead head{};
    std::chrono::steady_clock::time_point until{};
};

struct AnswerSlot {
    std::mutex mutex;
    bool live = false;
    uint8_t* buffer = nullptr;
    std::size_t capacity = 0;
    std::size_t count = 0;
    RequestHead head{};                  // the live attempt's request
    std::array<LateHead, 4> lateHeads{};  // earlier requests whose answers may still come, newest replacing oldest
    std::size_t nextLate = 0;
    std::atomic<bool> busy{false};
    AutoResetEvent answerEvent;
};

AnswerSlot g_slot;
std::mutex g_attemptMutex;

RequestHead HeadOf(const uint8_t* report) {
    RequestHead h{};
    std::memcpy(h.data(), report + kHeadStart, h.size());
    return h;
}

void ArmSlot(uint8_t* buffer, std::size_t capacity, const RequestHead& head) {
    std::lock_guard lock(g_slot.mutex);
    g_slot.buffer = buffer;
    g_slot.capacity = capacity;
    g_slot.count = 0;
    g_slot.head = head;
    g_slot.answerEvent.Reset();
    g_slot.live = true;
    g_slot.busy.store(true);
}

// The request was sent more than once: answers to it may still arrive after its exchange.
void ExpectLateAnswers(const RequestHead& head) {
    std::lock_guard lock(g_slot.mutex);
    g_slot.lateHeads[g_slot.nextLate] = LateHead{head, std::chrono::steady_clock::now() + kLateAnswerWindow};
    g_slot.nextLate = (g_slot.nextLate + 1) % g_slot.lateHeads.size();
}

// Under g_slot.mutex: the report repeats the first bytes of an earlier request, not those of the live one.
bool IsLateAnswerToAnother(const uint8_t* data, std::size_t count) {
    if (count < kHeadStart + sizeof(RequestHead)) return false;
    const RequestHead head = HeadOf(data);
    if (head == g_slot.head) return false;
    const auto now = std::chrono::steady_clock::now();
    for (const LateHead& late : g_slot.lateHeads)
        if (late.until > now && late.head == head) return true;
    return false;
}

// Returns how many bytes the last answer left in the buffer.
std::size_t DisarmSlot() {
    std::lock_guard lock(g_slot.mutex);
    g_slot.live = false;
    g_slot.buffer = nullptr;
    g_slot.capacity = 0;
    g_slot.busy.store(false);
    return g_slot.count;
}

std::array<uint8_t, kReportSize> PadTo64(const uint8_t* report, std::size_t length) {
    std::array<uint8_t, kReportSize> out{};
    if (report != nullptr) std::memcpy(out.data(), report, std::min(length, kReportSize));
    return out;
}

int WriteOne(const std::array<uint8_t, kReportSize>& report, uint32_t identifier) {
    const HidServiceApi& api = ServiceApi();
    if (api.RequestWriteOne == nullptr) return 0;
    return api.RequestWriteOne(kVendorSelector.bytes, nullptr, 0, report.data(),
                               static_cast<uint32_t>(report.size()), identifier, 0);
}

}  // namespace

int IsDevicePresent() {
    const HidServiceApi& api = ServiceApi();
    if (api.RequestGetDeviceCount == nullptr) return 0;
    const uint32_t id = CallRequestId(kVendorSelector, nullptr, 0);
    return api.RequestGetDeviceCount(kVendorSelector.bytes, nullptr, 0, id, 0);
}

int SendReportNoWait(const uint8_t* report, std::size_t length) {
    const auto padded = PadTo64(report, length);
    return WriteOne(padded, CallRequestId(kVendorSelector, nullptr, 0, padded.data(), padded.size()));
}

int ExchangeReport(const uint8_t* request, std::size_t requestLength, uint8_t* answer, std::size_t answerCapacity,
                   std::size_t* receivedCount) {
    if (receivedCount != nullptr) *receivedCount = 0;
    if (IsDevicePresent() <= 0) return kResultNoDevice;

    const auto sendBuffer = PadTo64(request, requestLength);
    const uint32_t identifier =
        CallRequestId(kVendorSelector, nullptr, 0, sendBuffer.data(), sendBuffer.size());

    const RequestHead head = HeadOf(sendBuffer.data());
    int failedAttempts = 0;
    int sends = 0;
    // Every return after a resend leaves the request's head behind for its late answers.
    struct LateAnswerNote {
        const RequestHead& head;
        const int& sends;
        ~LateAnswerNote() {
            if (sends > 1) ExpectLateAnswers(head);
        }
    } note{head, sends};
    for (;;) {
        // Another exchange's attempt is outstanding: give it its full answer wait before queueing behind it.
        if (g_slot.busy.load()) std::this_thread::sleep_for(kBusyEntryWait);

        std::size_t count = 0;
        bool answered = false;
        {
            std::lock_guard attempt(g_attemptMutex);
            ArmSlot(answer, answerCapacity, head);
            if (WriteOne(sendBuffer, identifier) <= 0) {
                (void)DisarmSlot();
                return kResultWriteRefused;
            }
            ++sends;
            answered = g_slot.answerEvent.WaitFor(kAnswerWait);
            count = DisarmSlot();
        }

        // Bytes 3 and 7 count only when the answer reached them.
        const bool echoed = answered && count > kCommandByte && answer[kCommandByte] == sendBuffer[kCommandByte];
        const bool failedStatus = echoed && count > kStatusByte &&
                                  (answer[kStatusByte] == kStatusFailFF || answer[kStatusByte] == kStatusFailFE);
        if (echoed && !failedStatus) {
            if (receivedCount != nullptr) *receivedCount = count;
            return kResultSuccess;
        }
        if (++failedAttempts == kAttempts) {
            if (!failedStatus) return kResultNoAnswer;
            // The caller reads the status from the answer and reports it.
            if (receivedCount != nullptr) *receivedCount = count;
            return kResultSuccess;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

void DeliverAnswer(const uint8_t* data, std::size_t count) {
    if (data == nullptr) return;
    {
        std::lock_guard lock(g_slot.mutex);
        if (!g_slot.live) return;
        if (IsLateAnswerToAnother(data, count)) return;  // the live request's own answer is still to come
        count = std::min(count, g_slot.capacity);
        if (count > 0) std::memcpy(g_slot.buffer, data, count);
        g_slot.count = count;
        // Signalled under the slot's mutex, so a signal always belongs to the attempt that is live.
        g_slot.answerEvent.Set();
    }
}

void ResetExchangeSlot() {
    std::lock_guard attempt(g_attemptMutex);
    (void)DisarmSlot();
    std::lock_guard lock(g_slot.mutex);
    g_slot.count = 0;
    g_slot.lateHeads = {};
    g_slot.answerEvent.Reset();
}

}  // namespace kv
