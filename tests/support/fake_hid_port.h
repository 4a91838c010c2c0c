// A stand-in for the system's HID layer under the hardware backend: collections with ids, attributes and
// caps, input reports queued to every open handle (as the system gives each handle its own copy; a report
// that arrives while no handle is open is lost), reads that return as many queued reports as fit the
// buffer, output reports recorded (also with the short byte count Wine gives), removal, re-plugging, handles gone stale, a removal in the middle of a
// write, writes that fail with a given error or time out, listings that fail or miss the keyboard, a
// listing that is held up, and the system's error for each failed call; the system's notifications
// (arrival, removal, query-remove, suspend and resume), other programs holding a collection without
// sharing it, the exchange lock every program shares, and the port's diagnostics.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "hid/hid_port.h"

namespace hidtest {

using Bytes = std::vector<uint8_t>;

class FakeHidPort {
public:
    struct Collection {
        qvx::hid::HidAttributes attributes;
        qvx::hid::HidCaps caps;
        bool present = true;
        bool refuseQuery = false;   // attributes cannot be read (a device the system keeps to itself)
        bool removeOnWrite = false; // unplugged while the next write is under way
        bool refuseOpen = false;    // opening fails (lastError says why: openFailure)
        qvx::hid::HidError openFailure{qvx::hid::HidFailure::Refused, 5, false};
        // The next writes fail with this error without reaching the keyboard (count of them).
        int failWrites = 0;
        qvx::hid::HidError writeFailure{qvx::hid::HidFailure::Refused, 87, false};
        // The next writes reach the keyboard but their completion never comes in time: they time out, and
        // with neverCompletes the cancelled transfer stays pending and the handle is dead from then on.
        int timeOutWrites = 0;
        bool neverCompletes = false;
        bool heldExclusively = false;  // another program opened it sharing nothing: every open fails
        bool writersRefused = false;   // another program opened it sharing only reading: writers fail
        bool echoWrites = false;       // the keyboard answers each report written with the same bytes
        // Writes go out whole but the system counts this many bytes fewer (Wine leaves out the report id).
        int shortCount = 0;
        std::vector<Bytes> written;
        std::vector<Bytes> features;
        int opens = 0;
        int writeCalls = 0;
        int queries = 0;  // attributes asked
    };

    // Adds (or replaces) a collection. Lengths count the report id byte.
    void Add(const std::string& id, uint16_t vendorId, uint16_t productId, uint16_t usagePage, uint16_t usage,
             uint16_t inputLength = 65, uint16_t outputLength = 65) {
        AddQuietly(id, vendorId, productId, usagePage, usage, inputLength, outputLength);
        if (Telling()) (void)Notify(qvx::hid::HidEvent::Arrival, id);
    }
    void AddQuietly(const std::string& id, uint16_t vendorId, uint16_t productId, uint16_t usagePage, uint16_t usage,
                    uint16_t inputLength, uint16_t outputLength) {
        std::lock_guard<std::mutex> lock(mu_);
        Collection c;
        c.attributes.vendorId = vendorId;
        c.attributes.productId = productId;
        c.caps.usagePage = usagePage;
        c.caps.usage = usage;
        c.caps.inputReportLength = inputLength;
        c.caps.outputReportLength = outputLength;
        c.caps.featureReportLength = outputLength;
        collections_[id] = c;
        order_.erase(std::remove(order_.begin(), order_.end(), id), order_.end());
        order_.push_back(id);
    }
    // The three collections of one keyboard, ids prefix + "vendor", "consumer", "indicator".
    void AddKeyboard(const std::string& prefix) {
        Add(prefix + "vendor", 0x0C45, 0x7A31, 0xFF1C, 0x0092, 65, 65);
        Add(prefix + "consumer", 0x0C45, 0x7A31, 0x000C, 0x0001, 3, 0);
        Add(prefix + "indicator", 0x0C45, 0x7A31, 0x0008, 0x0089, 0, 2);
        // The consumer report: report 3 carries one 16-bit usage.
        Change(prefix + "consumer", [](Collection& c) { c.caps.inputValues = {{0x03, 0x000C, 16, 1}}; });
    }
    // The order the system lists collections in (ids not named keep their place after these).
    void SetOrder(const std::vector<std::string>& first) {
        std::lock_guard<std::mutex> lock(mu_);
        std::vector<std::string> order = first;
        for (const auto& id : order_)
            if (std::find(first.begin(), first.end(), id) == first.end()) order.push_back(id);
        order_ = order;
    }
    // The next `count` listings fail part way (after half the collections), with this system error.
    void FailListings(int count, uint32_t systemCode = 259) {
        std::lock_guard<std::mutex> lock(mu_);
        failListings_ = count;
        listingError_ = systemCode;
    }
    // The next `count` listings succeed but leave out every collection whose id starts with prefix.
    void MissFromListings(const std::string& prefix, int count) {
        std::lock_guard<std::mutex> lock(mu_);
        missPrefix_ = prefix;
        missListings_ = count;
    }
    // Listings wait until released (a slow system); Listing() tells whether one is waiting now.
    void HoldListings(bool hold) {
        std::lock_guard<std::mutex> lock(mu_);
        holdListings_ = hold;
        cv_.notify_all();
    }
    bool WaitListingHeld() {
        std::unique_lock<std::mutex> lock(mu_);
        return cv_.wait_for(lock, std::chrono::seconds(5), [&] { return listingsWaiting_ > 0; });
    }
    int Listings() {
        std::lock_guard<std::mutex> lock(mu_);
        return listings_;
    }
    bool WaitListings(int count) {
        std::unique_lock<std::mutex> lock(mu_);
        return cv_.wait_for(lock, std::chrono::seconds(5), [&] { return listings_ >= count; });
    }
    // Transfers abandoned with their handle (a cancelled write that never completed).
    int PendingForever() {
        std::lock_guard<std::mutex> lock(mu_);
        return pendingForever_;
    }
    // Every open handle of the collection gets the reports together, queued before any read takes one.
    void InputMany(const std::string& id, const std::vector<Bytes>& reports) {
        std::lock_guard<std::mutex> lock(mu_);
        for (auto& h : handles_)
            if (h->id == id && !h->closed)
                for (const Bytes& r : reports) h->queue.push_back(r);
        cv_.notify_all();
    }
    template <typename F>
    void Change(const std::string& id, F f) {
        std::lock_guard<std::mutex> lock(mu_);
        f(collections_.at(id));
        cv_.notify_all();
    }
    // A collection that goes leaves its open handles dead, even once it is back. The system tells of it
    // when SetTelling(true) asked for that (and the backend watches).
    void SetPresent(const std::string& id, bool present) {
        {
            std::lock_guard<std::mutex> lock(mu_);
            collections_.at(id).present = present;
            if (!present)
                for (auto& h : handles_)
                    if (h->id == id) h->stale = true;
            cv_.notify_all();
        }
        if (Telling()) (void)Notify(present ? qvx::hid::HidEvent::Arrival : qvx::hid::HidEvent::Removal, id);
    }
    // Whether Add and SetPresent are told as arrivals and removals (the backend's scan interval finds them
    // otherwise).
    void SetTelling(bool telling) {
        std::lock_guard<std::mutex> lock(mu_);
        telling_ = telling;
    }
    bool Telling() {
        std::lock_guard<std::mutex> lock(mu_);
        return telling_;
    }
    void SetKeyboardPresent(const std::string& prefix, bool present) {
        for (const char* part : {"vendor", "consumer", "indicator"}) SetPresent(prefix + part, present);
    }
    // The system's notifications, delivered on the caller's thread as the system does on one of its own.
    // false when the backend is not watching.
    bool Notify(qvx::hid::HidEvent event, const std::string& id = {}) {
        qvx::hid::HidEventSink sink = nullptr;
        void* sinkContext = nullptr;
        {
            std::lock_guard<std::mutex> lock(mu_);
            sink = sink_;
            sinkContext = sinkContext_;
        }
        if (sink == nullptr) return false;
        sink(sinkContext, event, id);
        return true;
    }
    // Each of the keyboard's collections goes and comes back, both notified, faster than any poll.
    void Replug(const std::string& prefix) {
        SetKeyboardPresent(prefix, false);
        SetKeyboardPresent(prefix, true);
    }
    // Disabling the driver in the device manager: query-remove to the owner of open handles; the removal
    // goes ahead only when none is left open (otherwise the system asks for a restart). true: removed.
    bool Disable(const std::string& id) {
        (void)Notify(qvx::hid::HidEvent::QueryRemove, id);
        if (OpenHandles(id) != 0) {
            (void)Notify(qvx::hid::HidEvent::QueryRemoveFailed, id);
            return false;
        }
        SetPresent(id, false);
        return true;
    }
    void Enable(const std::string& id) { SetPresent(id, true); }
    // Without notifications the port looks like a system that offers none.
    void SetWatchable(bool watchable) {
        std::lock_guard<std::mutex> lock(mu_);
        watchable_ = watchable;
    }
    bool Watched() {
        std::lock_guard<std::mutex> lock(mu_);
        return sink_ != nullptr;
    }
    // Another program's turn at the keyboard: it holds the exchange lock until Release.
    void HoldExchange() {
        std::unique_lock<std::mutex> lock(mu_);
        cv_.wait(lock, [&] { return !exchangeOwner_; });
        exchangeOwner_ = kOtherProgram;
    }
    void ReleaseExchange() {
        std::lock_guard<std::mutex> lock(mu_);
        if (exchangeOwner_ == kOtherProgram) exchangeOwner_.reset();
        cv_.notify_all();
    }
    std::vector<std::string> LogLines() {
        std::lock_guard<std::mutex> lock(mu_);
        return log_;
    }
    bool Logged(const std::string& part) {
        std::lock_guard<std::mutex> lock(mu_);
        return std::any_of(log_.begin(), log_.end(), [&](const std::string& l) { return l.find(part) != l.npos; });
    }

    // Every open handle of the collection gets the report.
    void Input(const std::string& id, Bytes report) {
        std::lock_guard<std::mutex> lock(mu_);
        for (auto& h : handles_)
            if (h->id == id && !h->closed) h->queue.push_back(report);
        cv_.notify_all();
    }
    // The handles open now stop working (the computer slept); new ones work.
    void MakeStale(const std::string& id) {
        std::lock_guard<std::mutex> lock(mu_);
        for (auto& h : handles_)
            if (h->id == id) h->stale = true;
        cv_.notify_all();
    }

    Collection Get(const std::string& id) {
        std::lock_guard<std::mutex> lock(mu_);
        return collections_.at(id);
    }
    // A handle was read, written, cancelled or closed after it had been closed.
    bool UsedAfterClose() {
        std::lock_guard<std::mutex> lock(mu_);
        return usedAfterClose_;
    }
    // A handle opened for writing was read, or one opened for reading was written.
    bool UsedAgainstItsAccess() {
        std::lock_guard<std::mutex> lock(mu_);
        return usedAgainstAccess_;
    }
    // Open handles of the collection by access (reading, writing); handles opened by open count for both.
    std::pair<int, int> OpenHandlesByAccess(const std::string& id) {
        std::lock_guard<std::mutex> lock(mu_);
        std::pair<int, int> n{0, 0};
        for (const auto& h : handles_) {
            if (h->id != id || h->closed) continue;
            if (h->canRead) ++n.first;
            if (h->canWrite) ++n.second;
        }
        return n;
    }
    // How often the backend looked at the system and woke in a read: what an idle program costs.
    struct Calls {
        long enumerations = 0;
        long reads = 0;
    };
    Calls CallCounts() {
        std::lock_guard<std::mutex> lock(mu_);
        return calls_;
    }
    int OpenHandles(const std::string& id) {
        std::lock_guard<std::mutex> lock(mu_);
        return static_cast<int>(
            std::count_if(handles_.begin(), handles_.end(), [&](const auto& h) { return h->id == id && !h->closed; }));
    }
    // Waits until pred(collection) holds; false after five seconds.
    template <typename P>
    bool WaitFor(const std::string& id, P pred) {
        std::unique_lock<std::mutex> lock(mu_);
        return cv_.wait_for(lock, std::chrono::seconds(5), [&] { return pred(collections_.at(id)); });
    }
    // Waits until every open handle that reads is in a read; false after five seconds.
    bool WaitEveryReaderWaiting() {
        std::unique_lock<std::mutex> lock(mu_);
        return cv_.wait_for(lock, std::chrono::seconds(5), [&] {
            const auto readers = std::count_if(handles_.begin(), handles_.end(),
                                               [](const auto& h) { return h->canRead && !h->closed; });
            return readers > 0 && waitingReads_ == readers;
        });
    }
    bool WaitOpenHandles(const std::string& id, int count) {
        std::unique_lock<std::mutex> lock(mu_);
        return cv_.wait_for(lock, std::chrono::seconds(5), [&] {
            return std::count_if(handles_.begin(), handles_.end(),
                                 [&](const auto& h) { return h->id == id && !h->closed; }) == count;
        });
    }

    qvx::hid::HidPort Port() {
        qvx::hid::HidPort p;
        p.context = this;
        p.enumerate = [](void* c, std::vector<std::string>& ids) { return Self(c).Enumerate(ids); };
        p.attributes = [](void* c, const std::string& id, qvx::hid::HidAttributes& out) {
            return Self(c).Attributes(id, out);
        };
        p.caps = [](void* c, const std::string& id, qvx::hid::HidCaps& out) { return Self(c).Caps(id, out); };
        p.open = [](void* c, const std::string& id) { return Self(c).Open(id); };
        p.read = [](void* c, qvx::hid::HidDevice d, uint8_t* b, std::size_t n, int ms) {
            return Self(c).Read(d, b, n, ms);
        };
        p.write = [](void* c, qvx::hid::HidDevice d, const uint8_t* b, std::size_t n, int) {
            return Self(c).Write(d, b, n);
        };
        p.setFeature = [](void* c, qvx::hid::HidDevice d, const uint8_t* b, std::size_t n) {
            return Self(c).SetFeature(d, b, n);
        };
        p.cancel = [](void* c, qvx::hid::HidDevice d) { Self(c).Cancel(d); };
        p.close = [](void* c, qvx::hid::HidDevice d) { Self(c).Close(d); };
        p.lastError = [](void*) { return LastError(); };
        p.openFor = [](void* c, const std::string& id, qvx::hid::HidAccess access, int* why) {
            return Self(c).OpenFor(id, access, why);
        };
        p.cancelEndsRead = true;  // a cancel before the read is kept for it
        p.flush = [](void* c, qvx::hid::HidDevice d) { Self(c).Flush(d); };
        p.watch = [](void* c, qvx::hid::HidEventSink sink, void* sinkContext) {
            return Self(c).Watch(sink, sinkContext);
        };
        p.unwatch = [](void* c) { (void)Self(c).Watch(nullptr, nullptr); };
        p.lockExchange = [](void* c, int timeoutMs) { return Self(c).LockExchange(timeoutMs); };
        p.unlockExchange = [](void* c) { Self(c).UnlockExchange(); };
        p.setLogLevel = [](void* c, int level) {
            std::lock_guard<std::mutex> lock(Self(c).mu_);
            Self(c).logLevel_ = level;
        };
        p.log = [](void* c, const std::string& line) { Self(c).Log(line); };
        return p;
    }

private:
    struct Handle {
        std::string id;
        std::deque<Bytes> queue;
        bool cancelled = false;
        bool stale = false;
        bool closed = false;
        bool dead = false;  // a transfer is still pending on it
        bool canRead = true;
        bool canWrite = true;
    };
    static FakeHidPort& Self(void* c) { return *static_cast<FakeHidPort*>(c); }
    static qvx::hid::HidError& LastError() {
        thread_local qvx::hid::HidError error;
        return error;
    }
    static void Fail(qvx::hid::HidFailure failure, uint32_t code, bool dead = false) {
        LastError() = qvx::hid::HidError{failure, code, dead};
    }

    bool Enumerate(std::vector<std::string>& ids) {
        std::unique_lock<std::mutex> lock(mu_);
        ++listingsWaiting_;
        cv_.notify_all();
        cv_.wait(lock, [&] { return !holdListings_; });
        --listingsWaiting_;
        ++listings_;
        cv_.notify_all();
        ++calls_.enumerations;
        ids.clear();
        for (const auto& id : order_) {
            if (!collections_.at(id).present) continue;
            if (missListings_ > 0 && id.rfind(missPrefix_, 0) == 0) continue;
            ids.push_back(id);
        }
        if (missListings_ > 0) --missListings_;
        if (failListings_ > 0) {
            --failListings_;
            ids.resize(ids.size() / 2);
            Fail(qvx::hid::HidFailure::Other, listingError_);
            return false;
        }
        return true;
    }
    bool Attributes(const std::string& id, qvx::hid::HidAttributes& out) {
        std::lock_guard<std::mutex> lock(mu_);
        Collection& c = collections_.at(id);
        ++c.queries;
        if (!c.present || c.refuseQuery) return false;
        out = c.attributes;
        return true;
    }
    bool Caps(const std::string& id, qvx::hid::HidCaps& out) {
        std::lock_guard<std::mutex> lock(mu_);
        const Collection& c = collections_.at(id);
        if (!c.present) return false;
        out = c.caps;
        return true;
    }
    qvx::hid::HidDevice Open(const std::string& id) {
        int why = 0;
        return OpenWith(id, true, true, &why);
    }
    qvx::hid::HidDevice OpenFor(const std::string& id, qvx::hid::HidAccess access, int* why) {
        return OpenWith(id, access == qvx::hid::HidAccess::Read, access == qvx::hid::HidAccess::Write, why);
    }
    qvx::hid::HidDevice OpenWith(const std::string& id, bool read, bool write, int* why) {
        std::lock_guard<std::mutex> lock(mu_);
        *why = qvx::hid::kOpenFailed;
        auto it = collections_.find(id);
        if (it == collections_.end() || !it->second.present) {
            Fail(qvx::hid::HidFailure::Gone, 2);
            return nullptr;
        }
        if (it->second.heldExclusively || (write && it->second.writersRefused)) {
            *why = qvx::hid::kOpenHeldByOther;
            Fail(qvx::hid::HidFailure::SharingViolation, 32);
            if (logLevel_ > 0) log_.push_back("open " + id + ": error 32 (sharing violation)");
            return nullptr;
        }
        if (it->second.refuseOpen) {
            LastError() = it->second.openFailure;
            return nullptr;
        }
        ++it->second.opens;
        handles_.push_back(std::make_unique<Handle>());
        handles_.back()->id = id;
        handles_.back()->canRead = read;
        handles_.back()->canWrite = write;
        cv_.notify_all();
        *why = 0;
        return handles_.back().get();
    }
    void Flush(qvx::hid::HidDevice d) {
        std::lock_guard<std::mutex> lock(mu_);
        CheckOpen(*static_cast<Handle*>(d));
        static_cast<Handle*>(d)->queue.clear();
    }
    bool Watch(qvx::hid::HidEventSink sink, void* sinkContext) {
        std::lock_guard<std::mutex> lock(mu_);
        if (sink != nullptr && !watchable_) return false;
        sink_ = sink;
        sinkContext_ = sinkContext;
        return true;
    }
    bool LockExchange(int timeoutMs) {
        std::unique_lock<std::mutex> lock(mu_);
        if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !exchangeOwner_; })) return false;
        exchangeOwner_ = std::this_thread::get_id();
        return true;
    }
    void UnlockExchange() {
        std::lock_guard<std::mutex> lock(mu_);
        if (exchangeOwner_ == std::this_thread::get_id()) exchangeOwner_.reset();
        cv_.notify_all();
    }
    void Log(const std::string& line) {
        std::lock_guard<std::mutex> lock(mu_);
        if (logLevel_ > 0) log_.push_back(line);
    }
    bool Broken(const Handle& h) const {
        return h.closed || h.stale || h.dead || !collections_.at(h.id).present;
    }
    void CheckOpen(const Handle& h) {
        if (h.closed) usedAfterClose_ = true;
    }
    int Read(qvx::hid::HidDevice d, uint8_t* buffer, std::size_t capacity, int timeoutMs) {
        auto* h = static_cast<Handle*>(d);
        std::unique_lock<std::mutex> lock(mu_);
        CheckOpen(*h);
        if (!h->canRead) usedAgainstAccess_ = true;
        ++calls_.reads;
        const auto ready = [&] { return !h->queue.empty() || h->cancelled || Broken(*h); };
        ++waitingReads_;
        cv_.notify_all();
        if (timeoutMs < 0) cv_.wait(lock, ready);  // no clock: a cancel ends it
        else cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
        --waitingReads_;
        if (Broken(*h)) {
            Fail(qvx::hid::HidFailure::Gone, 1167);
            return qvx::hid::kIoFailed;
        }
        if (h->cancelled) {
            h->cancelled = false;
            Fail(qvx::hid::HidFailure::TimedOut, 995);
            return qvx::hid::kIoTimedOut;
        }
        if (h->queue.empty()) {
            Fail(qvx::hid::HidFailure::TimedOut, 258);
            return qvx::hid::kIoTimedOut;
        }
        // As the system does with queued reports: as many whole ones as the buffer holds, the first cut short
        // when even it does not fit.
        std::size_t n = 0;
        do {
            Bytes report = std::move(h->queue.front());
            h->queue.pop_front();
            const std::size_t take = std::min(capacity - n, report.size());
            std::copy(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(take), buffer + n);
            n += take;
        } while (!h->queue.empty() && n + h->queue.front().size() <= capacity);
        return static_cast<int>(n);
    }
    int Write(qvx::hid::HidDevice d, const uint8_t* data, std::size_t length) {
        auto* h = static_cast<Handle*>(d);
        std::lock_guard<std::mutex> lock(mu_);
        CheckOpen(*h);
        if (!h->canWrite) usedAgainstAccess_ = true;
        Collection& c = collections_.at(h->id);
        ++c.writeCalls;
        if (c.removeOnWrite) {
            c.removeOnWrite = false;
            c.present = false;
            cv_.notify_all();
            Fail(qvx::hid::HidFailure::Gone, 1167);
            return qvx::hid::kIoFailed;
        }
        if (Broken(*h)) {
            Fail(qvx::hid::HidFailure::Gone, h->dead ? 6 : 1167);
            return qvx::hid::kIoFailed;
        }
        if (c.failWrites > 0) {
            --c.failWrites;
            LastError() = c.writeFailure;
            return qvx::hid::kIoFailed;
        }
        c.written.emplace_back(data, data + length);
        if (c.echoWrites)
            for (auto& other : handles_)
                if (other->id == h->id && !other->closed) other->queue.emplace_back(data, data + length);
        cv_.notify_all();
        if (c.timeOutWrites > 0) {
            --c.timeOutWrites;
            if (c.neverCompletes) {
                h->dead = true;
                ++pendingForever_;
            }
            Fail(qvx::hid::HidFailure::TimedOut, 1460, c.neverCompletes);
            return qvx::hid::kIoTimedOut;
        }
        LastError() = qvx::hid::HidError{};  // a finished write leaves no system error behind
        return static_cast<int>(length) - c.shortCount;
    }
    int SetFeature(qvx::hid::HidDevice d, const uint8_t* data, std::size_t length) {
        auto* h = static_cast<Handle*>(d);
        std::lock_guard<std::mutex> lock(mu_);
        if (Broken(*h)) {
            Fail(qvx::hid::HidFailure::Gone, 1167);
            return 0;
        }
        if (!h->canWrite) usedAgainstAccess_ = true;
        collections_.at(h->id).features.emplace_back(data, data + length);
        return static_cast<int>(length);
    }
    void Cancel(qvx::hid::HidDevice d) {
        std::lock_guard<std::mutex> lock(mu_);
        CheckOpen(*static_cast<Handle*>(d));
        static_cast<Handle*>(d)->cancelled = true;
        cv_.notify_all();
    }
    void Close(qvx::hid::HidDevice d) {
        std::lock_guard<std::mutex> lock(mu_);
        CheckOpen(*static_cast<Handle*>(d));
        static_cast<Handle*>(d)->closed = true;
        cv_.notify_all();
    }

    std::mutex mu_;
    std::condition_variable cv_;
    std::map<std::string, Collection> collections_;
    std::vector<std::string> order_;
    bool usedAfterClose_ = false;
    int failListings_ = 0;
    uint32_t listingError_ = 0;
    std::string missPrefix_;
    int missListings_ = 0;
    bool holdListings_ = false;
    int listingsWaiting_ = 0;
    int listings_ = 0;
    int pendingForever_ = 0;
    bool usedAgainstAccess_ = false;
    Calls calls_;
    long waitingReads_ = 0;  // reads under way, waiting for a report
    bool watchable_ = true;
    bool telling_ = false;
    qvx::hid::HidEventSink sink_ = nullptr;
    void* sinkContext_ = nullptr;
    // The exchange lock's holder: a thread of a backend, or the other program of HoldExchange.
    static inline const std::thread::id kOtherProgram = std::thread::id();
    std::optional<std::thread::id> exchangeOwner_;
    int logLevel_ = 0;
    std::vector<std::string> log_;
    std::vector<std::unique_ptr<Handle>> handles_;  // kept after closing, so a late call is caught as closed
};

}  // namespace hidtest
