// Sharing the keyboard with other programs that use this library (the program in the notification area and
// kvtool): every one opens the collections sharing them, and the system gives each open handle a copy of
// every answer. The port's exchange lock, one for the whole computer, lets one program at a time have a
// command out: a vendor write takes it on its caller's thread and keeps it until this program's vendor
// reader has passed the answer on (or answerWaitMs ran out); a vendor report read while another program
// holds the lock, or while this program waits for it, is another program's answer and is not passed on
// (a report that comes while no program has a command out is passed on: the keyboard's own). What this
// program's readers hold when its turn comes is thrown away before its command goes out.
#include <algorithm>
#include <chrono>
#include <memory>
#include <utility>
#include <vector>

#include "hid/hid_keyboard.h"

namespace qvx::hid {
namespace {

bool IsVendor(kv::CollectionUsage c) {
    return c.usagePage == kv::kVendorCollection.usagePage && c.usage == kv::kVendorCollection.usage;
}

}  // namespace

// Waits for another program's command to be answered; after writeTimeoutMs + answerWaitMs the other
// program is taken to be stuck, and the command goes out anyway.
bool HidKeyboard::TakeExchange(kv::CollectionUsage collection) {
    if (!IsVendor(collection) || port_.lockExchange == nullptr || port_.unlockExchange == nullptr) return false;
    {
        std::lock_guard<std::mutex> lock(mu_);
        ++exchangeWaiting_;
    }
    const bool taken = port_.lockExchange(port_.context, timings_.writeTimeoutMs + timings_.answerWaitMs);
    if (!taken) {
        std::lock_guard<std::mutex> lock(mu_);
        --exchangeWaiting_;
        Log("another program kept the keyboard's exchange lock; sending anyway");
        return false;
    }
    // What this program's vendor readers hold now answers commands of others: it is thrown away, and each
    // reader goes round to a fresh read before the command goes out, so nothing read before counts for it.
    std::unique_lock<std::mutex> lock(mu_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timings_.answerWaitMs);
    // A handle being opened for a reader right now is waited for, so it is cleared too.
    readerWake_.wait_until(lock, deadline, [&] {
        return stopping_ || std::none_of(readers_.begin(), readers_.end(), [](const auto& r) {
                   return IsVendor(r.second->collection) && r.second->opening;
               });
    });
    std::vector<std::pair<std::shared_ptr<Reader>, uint64_t>> listening;
    for (const auto& [handle, reader] : readers_) {
        if (!IsVendor(reader->collection)) continue;
        // Opened for the reader and not yet taken: nothing more can come into it but our own answer.
        if (reader->handed.device != nullptr && port_.flush != nullptr) port_.flush(port_.context, reader->handed.device);
        if (reader->device == nullptr) continue;
        if (port_.flush != nullptr) port_.flush(port_.context, reader->device);
        port_.cancel(port_.context, reader->device);
        listening.emplace_back(reader, reader->readsStarted);
    }
    exchangeWake_.wait_until(lock, deadline, [&] {
        return stopping_ || std::all_of(listening.begin(), listening.end(), [](const auto& r) {
                   return r.first->device == nullptr || r.first->readsStarted != r.second;
               });
    });
    --exchangeWaiting_;
    exchangeOpen_ = true;
    exchangeAnswered_ = false;
    return true;
}

void HidKeyboard::WaitForAnswerAndRelease(bool taken, bool sent) {
    if (!taken) return;
    {
        std::unique_lock<std::mutex> lock(mu_);
        const bool listening = std::any_of(readers_.begin(), readers_.end(), [](const auto& r) {
            return IsVendor(r.second->collection) && (r.second->device != nullptr || r.second->handed.device != nullptr);
        });
        if (sent && listening)
            exchangeWake_.wait_for(lock, std::chrono::milliseconds(timings_.answerWaitMs),
                                   [&] { return exchangeAnswered_ || stopping_; });
        exchangeOpen_ = false;
    }
    port_.unlockExchange(port_.context);
}

bool HidKeyboard::PassOnReport(const Reader& reader) {
    if (!IsVendor(reader.collection) || port_.lockExchange == nullptr || port_.unlockExchange == nullptr) return true;
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (exchangeOpen_) return true;  // our own command's answer
        // About to send: whatever comes now is a late copy of another program's answer.
        if (exchangeWaiting_ > 0) {
            Log("an answer to another program's command, not passed on");
            return false;
        }
    }
    if (port_.lockExchange(port_.context, 0)) {  // nobody's command is out: a report of the keyboard's own
        port_.unlockExchange(port_.context);
        return true;
    }
    Log("an answer to another program's command, not passed on");
    return false;
}

void HidKeyboard::NoteAnswer(const Reader& reader) {
    if (!IsVendor(reader.collection)) return;
    std::lock_guard<std::mutex> lock(mu_);
    if (!exchangeOpen_) return;
    exchangeAnswered_ = true;
    exchangeWake_.notify_all();
}

}  // namespace qvx::hid
