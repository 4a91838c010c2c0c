// Threads: the scan thread (ScanLoop) re-enumerates the system's collections, opens handles for readers
// that have none before it says "attached", starts a reader for each consumer collection that appears,
// sends presence changes to the vendor collection's subscribers and joins readers that have ended; each
// reader thread (ReaderLoop) owns its open handle and calls its subscriber for every input report; any
// caller thread runs the HidBackend calls (Subscribe opens its readers' handles before it returns), and a
// write runs on its caller's thread with a bounded wait. The system's notification thread runs
// OnSystemEvent (hid_keyboard_events.cpp), which asks for scans and closes handles. Subscribers may thus be
// called on several library threads at once, each reader in report order.
// Locks: mu_ guards the backend's fields and is never held during a port call that may wait on the system
// (listing, querying, opening, closing, reading, writing; only cancel runs under it); scanMu_ lets one scan
// run at a time; each write handle has its own lock for its writes. So a write never waits for a scan.
// The exchange lock (the port's, shared with other programs) is taken by a vendor write on its caller's
// thread and given back there once the answer has been passed on or the wait ran out
// (hid_keyboard_exchange.cpp).
// Callbacks are called with no lock held, so a callback may call back into the library.
#include "hid/hid_keyboard.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "hid/collection_match.h"
#include "hid/report_framing.h"

namespace qvx::hid {
namespace {

constexpr std::size_t kMinReadBuffer = 64;       // a collection whose input report length is not known
constexpr std::size_t kWriteHandleLimit = 4096;  // finished-write handles nobody cancelled are forgotten
constexpr uint64_t kRefusalMaxDelay = 64;        // scans between two queries of a collection that refuses them

bool Same(kv::CollectionUsage a, kv::CollectionUsage b) { return a.usagePage == b.usagePage && a.usage == b.usage; }

uint32_t CollectionKey(kv::CollectionUsage c) { return (static_cast<uint32_t>(c.usagePage) << 16) | c.usage; }

const char* FailureName(HidFailure f) {
    switch (f) {
        case HidFailure::None: return "none";
        case HidFailure::TimedOut: return "timed out";
        case HidFailure::Gone: return "gone";
        case HidFailure::Refused: return "refused";
        case HidFailure::SharingViolation: return "held by another program";
        case HidFailure::Other: return "failed";
    }
    return "failed";
}

// The system's code only when there is one: a failure the system gave no code for says just that.
std::string Describe(const char* what, const std::string& id, const HidError& e) {
    char code[64];
    if (e.systemCode != 0)
        std::snprintf(code, sizeof code, ": %s (system error %u)", FailureName(e.failure),
                      static_cast<unsigned>(e.systemCode));
    else
        std::snprintf(code, sizeof code, ": %s (no system error given)", FailureName(e.failure));
    return std::string(what) + (id.empty() ? "" : " " + id) + code;
}

}  // namespace

struct HidKeyboard::OpenDevice {
    OpenDevice(HidPort& port, std::string id, HidCaps caps, uint64_t generation, HidDevice device)
        : port(port), id(std::move(id)), caps(std::move(caps)), generation(generation), device(device) {}
    ~OpenDevice() { port.close(port.context, device); }
    OpenDevice(const OpenDevice&) = delete;
    OpenDevice& operator=(const OpenDevice&) = delete;

    HidPort& port;
    const std::string id;
    const HidCaps caps;
    const uint64_t generation;
    const HidDevice device;
    std::mutex writeMu;  // one output report at a time on this handle
    bool shortCountLogged = false;  // under writeMu: a short byte count is logged once per handle
};

HidKeyboard::HidKeyboard(HidPort port, HidKeyboardTimings timings) : port_(port), timings_(timings) {}

HidKeyboard::~HidKeyboard() {
    Stop();
    // A thread that ran End from a callback was left to end by itself; it must be gone before the fields.
    std::unique_lock<std::mutex> lock(mu_);
    threadsDone_.wait(lock, [this] { return liveThreads_ == 0; });
}

void HidKeyboard::ThreadEnded() {
    std::lock_guard<std::mutex> lock(mu_);
    --liveThreads_;
    threadsDone_.notify_all();
}

bool HidKeyboard::PortComplete() const {
    return port_.enumerate && port_.attributes && port_.caps && port_.open && port_.read && port_.write &&
           port_.setFeature && port_.cancel && port_.close;
}

HidError HidKeyboard::PortError() const {
    if (port_.lastError == nullptr) return HidError{HidFailure::Other, 0, false};
    return port_.lastError(port_.context);
}

bool HidKeyboard::FansOut(kv::CollectionUsage collection) {
    return collection.usagePage == kv::kConsumerCollection.usagePage;
}

int HidKeyboard::Start() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (running_) return 1;
        if (!PortComplete()) return 0;
    }
    // Watching starts before the first picture, so an arrival in between is not lost.
    const bool watching = port_.watch != nullptr && port_.unwatch != nullptr &&
                          port_.watch(port_.context, &HidKeyboard::SystemEventSink, this);
    {
        std::lock_guard<std::mutex> lock(mu_);
        watching_ = watching;
        Log(watching ? "watching the system's device and power notifications"
                     : "the system sends no device notifications: looking every second");
    }
    // The first picture is taken before Init returns, so the program's first count is right; it is the
    // baseline for presence changes, not one of them.
    (void)Scan();
    std::lock_guard<std::mutex> lock(mu_);
    running_ = true;
    stopping_ = false;
    rescanRequested_ = false;
    ++liveThreads_;
    scanThread_ = std::thread([this, session = session_] {
        ScanLoop(session);
        ThreadEnded();
    });
    return 1;
}

// Joins every thread of the library except the caller's own (End from a callback); a callback that waits
// for the thread calling End would hold it up, which the program never does (it never calls End).
void HidKeyboard::Stop() {
    std::vector<std::shared_ptr<Reader>> readers;
    std::thread scanThread;
    bool watching = false;
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (!running_ || stopping_) return;
        stopping_ = true;
        watching = watching_;
        watching_ = false;
        exchangeWake_.notify_all();
        handleClosed_.notify_all();
    }
    // Once unwatch returns no notification runs; one under way may still close handles, so this comes first.
    if (watching) port_.unwatch(port_.context);
    {
        std::lock_guard<std::mutex> lock(mu_);
        ++session_;
        for (auto& [handle, reader] : readers_) {
            reader->stop = true;
            if (reader->device != nullptr) port_.cancel(port_.context, reader->device);
            readers.push_back(reader);
        }
        readers_.clear();
        subscriptions_.clear();
        for (auto& reader : retired_) readers.push_back(reader);
        retired_.clear();
        scanThread = std::move(scanThread_);
        scanWake_.notify_all();
        readerWake_.notify_all();
    }
    // End called from a callback runs on one of these threads: that one ends by itself after returning.
    auto finish = [](std::thread& t) {
        if (!t.joinable()) return;
        if (t.get_id() == std::this_thread::get_id()) t.detach();
        else t.join();
    };
    finish(scanThread);
    for (auto& reader : readers) finish(reader->thread);
    std::map<std::string, std::shared_ptr<OpenDevice>> writers;
    {
        std::lock_guard<std::mutex> lock(mu_);
        writers.swap(writers_);
        running_ = false;
        stopping_ = false;
        scanned_ = false;
        attached_ = false;
        removalNoticed_ = false;
        confirmPending_ = false;
        present_.clear();
        known_.clear();
        missed_.clear();
        refused_.clear();
        chosen_.clear();
        writeHandles_.clear();
        closedForRemoval_.clear();
        removalNotified_.clear();
    }
    writers.clear();  // closes the write handles (a write still under way keeps its own until it ends)
}

HidKeyboard::PresenceChange HidKeyboard::Scan() {
    std::lock_guard<std::mutex> scanLock(scanMu_);
    std::vector<std::string> ids;
    const bool listed = port_.enumerate(port_.context, ids);
    PresenceChange change;
    if (!listed) {
        // Only a listing that ran to its end says what is there: keep the last picture, try again next scan.
        const HidError e = PortError();
        std::lock_guard<std::mutex> lock(mu_);
        Log(Describe("listing the HID collections", "", e));
        return change;
    }

    std::map<std::string, Collection> known;
    std::map<std::string, Refusal> refused;
    uint64_t scan = 0;
    {
        std::lock_guard<std::mutex> lock(mu_);
        scan = ++scans_;
        for (const std::string& id : ids) {
            if (auto it = known_.find(id); it != known_.end()) known.emplace(id, it->second);
            if (auto it = refused_.find(id); it != refused_.end()) refused.emplace(id, it->second);
        }
    }
    std::vector<Collection> listedOurs;
    for (const std::string& id : ids) {
        auto it = known.find(id);
        if (it == known.end()) {
            // A collection that refused to be asked is asked again less and less often while it stays listed.
            auto r = refused.find(id);
            if (r != refused.end() && scan < r->second.retryAtScan) continue;
            Collection c;
            c.id = id;
            bool ok = port_.attributes(port_.context, id, c.attributes);
            const bool ours =
                ok && c.attributes.vendorId == kv::kVendorId && c.attributes.productId == kv::kProductId;
            if (ours) ok = port_.caps(port_.context, id, c.caps);
            if (!ok) {
                Refusal& next = refused[id];
                next.retryAtScan = scan + next.delay;
                next.delay = std::min(next.delay * 2, kRefusalMaxDelay);
                continue;
            }
            refused.erase(id);
            if (ours) LogCollection(c);
            it = known.emplace(id, std::move(c)).first;
        }
        const Collection& c = it->second;
        if (c.attributes.vendorId == kv::kVendorId && c.attributes.productId == kv::kProductId)
            listedOurs.push_back(c);
    }

    std::vector<std::shared_ptr<OpenDevice>> dropped;  // closed outside mu_
    std::vector<PendingOpen> pending;
    {
        std::unique_lock<std::mutex> lock(mu_);
        known_ = std::move(known);
        refused_ = std::move(refused);
        // A collection missing from one listing may be a short gap (the computer waking, a slow driver): it
        // stays until a second listing in a row misses it, or the system said something was removed.
        // The second listing counts only when it comes a while after the first, so two listings asked for
        // at once (a failed read and a failed write) do not make a gap look like a removal.
        const auto now = std::chrono::steady_clock::now();
        std::vector<Collection> present = listedOurs;
        std::map<std::string, std::chrono::steady_clock::time_point> missed;
        for (const Collection& old : present_) {
            const bool listedNow = std::any_of(present.begin(), present.end(),
                                               [&](const Collection& c) { return c.id == old.id; });
            if (listedNow) continue;
            auto first = missed_.find(old.id);
            const auto since = first != missed_.end() ? first->second : now;
            if (removalNoticed_ || (first != missed_.end() && now - since >= ConfirmDelay())) continue;
            missed[old.id] = since;
            present.push_back(old);
        }
        removalNoticed_ = false;
        // Gone and back between two listings (a USB reset, waking up): the keyboard may have forgotten what
        // it was told and the old handles are dead, so this listing takes it as removed and the next one,
        // asked for at once, finds it arriving (handles opened before it is announced).
        if (!removalNotified_.empty()) {
            const auto back = std::remove_if(present.begin(), present.end(), [&](const Collection& c) {
                return removalNotified_.count(c.id) != 0;
            });
            if (back != present.end()) {
                present.erase(back, present.end());
                rescanRequested_ = true;
                Log("the keyboard went and came back before a listing: removed, then found again");
            }
            removalNotified_.clear();
        }
        confirmPending_ = !missed.empty();
        if (confirmPending_) Log("a collection is missing from the listing; looking again");
        missed_ = std::move(missed);
        std::sort(present.begin(), present.end(), [](const Collection& a, const Collection& b) { return a.id < b.id; });
        const bool arrived = std::any_of(present.begin(), present.end(), [&](const Collection& c) { return !IsPresent(c.id); });
        if (arrived) ++arrivals_;
        present_ = std::move(present);
        for (auto it = writers_.begin(); it != writers_.end();) {
            if (IsPresent(it->first)) {
                ++it;
            } else {
                dropped.push_back(std::move(it->second));
                it = writers_.erase(it);
            }
        }
        const bool attached = Choose(kv::kVendorCollection) != nullptr;

        if (running_ && !stopping_) {
            // When collections arrive, readers without a handle get one now, from this thread, so the keyboard
            // is not announced before its answers can be read (the system queues reports only into handles
            // already open).
            for (auto& [handle, reader] : readers_) {
                if (!arrived || reader->stop || reader->opening || reader->device != nullptr || reader->handed.device != nullptr)
                    continue;
                const Collection* c = TargetOf(*reader);
                if (c == nullptr || closedForRemoval_.count(c->id) != 0) continue;
                reader->opening = true;
                pending.push_back({reader, Handoff{nullptr, c->id, c->caps, generation_}, true});
            }
            // Each consumer collection that appeared gets a reader of its own in every consumer subscription.
            for (const auto& [handle, sub] : subscriptions_) {
                if (!FansOut(sub.collection)) continue;
                for (const Collection& c : present_) {
                    if (!MatchesCollection(c.attributes, c.caps, sub.collection)) continue;
                    auto range = readers_.equal_range(handle);
                    if (std::any_of(range.first, range.second, [&](const auto& r) { return r.second->boundId == c.id; }))
                        continue;
                    auto reader = NewReader(handle, sub, c.id);
                    reader->opening = true;
                    pending.push_back({reader, Handoff{nullptr, c.id, c.caps, generation_}, false});
                }
            }
        }
        if (scanned_ && attached && !attached_) {
            // A vendor reader opening its own handle right now is waited for, briefly; so is one still
            // holding a handle from before the keyboard went (its reads wait on no clock, so it is woken):
            // that handle is dead and the reader opens a new one.
            const auto stale = [&](const Reader& r) {
                return Same(r.collection, kv::kVendorCollection) && r.device != nullptr && r.openedAtArrivals != arrivals_;
            };
            for (auto& [handle, reader] : readers_)
                if (stale(*reader)) port_.cancel(port_.context, reader->device);
            readerWake_.wait_for(lock, timings_.attachOpenWait, [&] {
                return std::none_of(readers_.begin(), readers_.end(), [&](const auto& r) {
                    return stale(*r.second) ||
                           (Same(r.second->collection, kv::kVendorCollection) && r.second->opening &&
                            std::none_of(pending.begin(), pending.end(),
                                         [&](const PendingOpen& p) { return p.reader == r.second; }));
                });
            });
        }
    }
    OpenPending(pending);
    std::vector<HidDevice> unused;
    {
        std::lock_guard<std::mutex> lock(mu_);
        HandOver(pending, unused);
        // Reads wait without a clock: a reader whose collection went is woken here.
        for (auto& [handle, reader] : readers_)
            if (!reader->openId.empty() && !IsPresent(reader->openId)) CancelReadersOf(reader->openId);
        const bool attached = Choose(kv::kVendorCollection) != nullptr;
        if (scanned_ && attached != attached_) {
            change.attached = attached;
            for (const auto& [handle, sub] : subscriptions_)
                if (Same(sub.collection, kv::kVendorCollection)) change.subscribers.emplace_back(handle, sub);
            Log(attached ? "keyboard attached" : "keyboard removed");
            if (attached) NoteMissingConsumer();
        }
        attached_ = attached;
        scanned_ = true;
        readerWake_.notify_all();
    }
    for (HidDevice d : unused) port_.close(port_.context, d);
    return change;
}

std::shared_ptr<HidKeyboard::Reader> HidKeyboard::NewReader(uint32_t handle, const Subscription& sub,
                                                            const std::string& boundId) {
    auto reader = std::make_shared<Reader>();
    reader->handle = handle;
    reader->collection = sub.collection;
    reader->callback = sub.callback;
    reader->tag = sub.tag;
    reader->boundId = boundId;
    return reader;
}

void HidKeyboard::StartReader(const std::shared_ptr<Reader>& reader) {
    readers_.emplace(reader->handle, reader);
    ++liveThreads_;
    reader->thread = std::thread([this, reader] {
        ReaderLoop(reader);
        ThreadEnded();
    });
}

void HidKeyboard::OpenPending(std::vector<PendingOpen>& pending) {
    for (PendingOpen& p : pending) {
        int why = 0;
        p.opened.device = OpenFor(p.opened.id, HidAccess::Read, why);
        if (p.opened.device == nullptr) {
            const HidError e = PortError();
            std::lock_guard<std::mutex> lock(mu_);
            Log(Describe("opening", p.opened.id, e));
        }
    }
}

// Gives each reader the handle opened for it and starts the fresh ones; handles nobody can take any more
// (the library is stopping, the subscription was cancelled) go to unused, to be closed outside mu_.
void HidKeyboard::HandOver(std::vector<PendingOpen>& pending, std::vector<HidDevice>& unused) {
    for (PendingOpen& p : pending) {
        Reader& r = *p.reader;
        r.opening = false;
        const bool wanted = running_ && !stopping_ && !r.stop &&
                            (p.started || subscriptions_.count(r.handle) != 0);
        if (!wanted) {
            if (p.opened.device != nullptr) unused.push_back(p.opened.device);
            continue;
        }
        if (p.opened.device != nullptr) r.handed = std::move(p.opened);
        if (!p.started) StartReader(p.reader);
    }
    readerWake_.notify_all();
}

// Some systems list only a keyboard's first top-level collection (Wine gives the others no interface): the
// vendor collection works, but the keyboard's own bank switches and lighting changes never arrive. Said once
// per attach when a consumer subscription has nothing to read; mu_ held.
void HidKeyboard::NoteMissingConsumer() {
    const bool wanted = std::any_of(subscriptions_.begin(), subscriptions_.end(),
                                    [](const auto& s) { return FansOut(s.second.collection); });
    if (!wanted || FindPresent(kv::kConsumerCollection) != nullptr) return;
    Log("the keyboard's consumer-control collection is not listed by the system: its bank switch and lighting "
        "events cannot be read; commands work as usual");
}

const HidKeyboard::Collection* HidKeyboard::FindPresent(kv::CollectionUsage wanted) const {
    for (const Collection& c : present_)
        if (MatchesCollection(c.attributes, c.caps, wanted)) return &c;
    return nullptr;
}

// The collection a selector is bound to: the one chosen before while it is present, else the first
// matching one in the order of ids, whatever order the system lists them in.
const HidKeyboard::Collection* HidKeyboard::Choose(kv::CollectionUsage wanted) {
    const uint32_t key = CollectionKey(wanted);
    auto it = chosen_.find(key);
    if (it != chosen_.end()) {
        for (const Collection& c : present_)
            if (c.id == it->second && MatchesCollection(c.attributes, c.caps, wanted)) return &c;
    }
    const Collection* c = FindPresent(wanted);
    if (c == nullptr) chosen_.erase(key);
    else chosen_[key] = c->id;
    return c;
}

const HidKeyboard::Collection* HidKeyboard::TargetOf(const Reader& reader) {
    if (reader.boundId.empty()) return Choose(reader.collection);
    for (const Collection& c : present_)
        if (c.id == reader.boundId) return &c;
    return nullptr;
}

std::chrono::milliseconds HidKeyboard::ConfirmDelay() const {
    return std::min<std::chrono::milliseconds>(timings_.removalConfirmDelay, timings_.scanInterval);
}

bool HidKeyboard::IsPresent(const std::string& id) const {
    return std::any_of(present_.begin(), present_.end(), [&](const Collection& c) { return c.id == id; });
}

void HidKeyboard::RequestRescan() {
    std::lock_guard<std::mutex> lock(mu_);
    rescanRequested_ = true;
    scanWake_.notify_all();
}

void HidKeyboard::NoteRemoval() {
    std::lock_guard<std::mutex> lock(mu_);
    removalNoticed_ = true;
    rescanRequested_ = true;
    scanWake_.notify_all();
}

void HidKeyboard::ReopenAll() {
    std::vector<std::shared_ptr<OpenDevice>> dropped;
    std::lock_guard<std::mutex> lock(mu_);
    ++generation_;
    for (auto& [id, device] : writers_) dropped.push_back(std::move(device));
    writers_.clear();
    for (auto& [handle, reader] : readers_)
        if (reader->device != nullptr) port_.cancel(port_.context, reader->device);
    readerWake_.notify_all();
    Log("reopening every handle");
}

// The computer's sleep is told by the system (OnSystemEvent); the clock says nothing about it.
void HidKeyboard::ScanLoop(uint64_t session) {
    for (;;) {
        std::vector<std::shared_ptr<Reader>> ended;
        {
            std::unique_lock<std::mutex> lock(mu_);
            const auto wait = confirmPending_ ? ConfirmDelay()
                              : watching_     ? std::chrono::milliseconds(timings_.backstopInterval)
                                              : std::chrono::milliseconds(timings_.scanInterval);
            scanWake_.wait_for(lock, wait, [&] { return session != session_ || rescanRequested_; });
            if (session != session_) return;  // End ran (perhaps from a callback on this very thread)
            rescanRequested_ = false;
            for (auto it = retired_.begin(); it != retired_.end();) {
                if ((*it)->exited) {
                    ended.push_back(std::move(*it));
                    it = retired_.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (auto& reader : ended)
            if (reader->thread.joinable()) reader->thread.join();

        DeliverPresence(Scan());
    }
}

void HidKeyboard::DeliverPresence(const PresenceChange& change) {
    for (const auto& [handle, sub] : change.subscribers) {
        {
            std::lock_guard<std::mutex> lock(mu_);
            if (subscriptions_.count(handle) == 0) continue;  // cancelled meanwhile
        }
        kv::ServiceRequestRecord record{};
        record.tag = sub.tag;
        record.countOrState = change.attached ? 1u : 0u;
        kv::ServiceNotification notification{};
        notification.kind = kv::kNotifyStateChange;
        notification.request = &record;
        try {
            (void)sub.callback(&notification);
        } catch (...) {
            // A subscriber's callback that throws loses its notification; the library's thread goes on.
        }
    }
}

int HidKeyboard::DeviceCount(kv::CollectionUsage collection) {
    bool running = false;
    {
        std::lock_guard<std::mutex> lock(mu_);
        running = running_;
    }
    if (!running) (void)Scan();  // before Init (or after End) there is no scan thread: look now
    std::lock_guard<std::mutex> lock(mu_);
    return static_cast<int>(std::count_if(present_.begin(), present_.end(), [&](const Collection& c) {
        return MatchesCollection(c.attributes, c.caps, collection);
    }));
}

// The subscription's handles are open when it returns, so the first answer after it is not lost: the
// system queues input reports only into handles that are already open.
uint32_t HidKeyboard::Subscribe(kv::CollectionUsage collection, kv::ServiceCallback callback, uint32_t tag) {
    if (callback == nullptr) return 0;
    std::vector<PendingOpen> pending;
    uint32_t handle = 0;
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (!running_ || stopping_) return 0;
        handle = nextHandle_++;
        if (nextHandle_ == 0) nextHandle_ = 1;
        const Subscription sub{collection, callback, tag};
        subscriptions_.emplace(handle, sub);
        if (FansOut(collection)) {
            for (const Collection& c : present_) {
                if (!MatchesCollection(c.attributes, c.caps, collection)) continue;
                auto reader = NewReader(handle, sub, c.id);
                reader->opening = true;
                pending.push_back({reader, Handoff{nullptr, c.id, c.caps, generation_}, true});
                StartReader(reader);
            }
            if (attached_) NoteMissingConsumer();
        } else {
            auto reader = NewReader(handle, sub, {});
            if (const Collection* c = Choose(collection); c != nullptr) {
                reader->opening = true;
                pending.push_back({reader, Handoff{nullptr, c->id, c->caps, generation_}, true});
            }
            StartReader(reader);
        }
    }
    OpenPending(pending);
    std::vector<HidDevice> unused;
    {
        std::lock_guard<std::mutex> lock(mu_);
        HandOver(pending, unused);
    }
    for (HidDevice d : unused) port_.close(port_.context, d);
    return handle;
}

uint32_t HidKeyboard::NewHandle() {
    std::lock_guard<std::mutex> lock(mu_);
    const uint32_t handle = nextHandle_++;
    if (nextHandle_ == 0) nextHandle_ = 1;
    writeHandles_.insert(handle);
    if (writeHandles_.size() > kWriteHandleLimit) writeHandles_.erase(writeHandles_.begin());
    return handle;
}

// A callback already running when the subscription is cancelled finishes; no new one starts. Cancel does
// not wait for it: the caller may be the very thread that callback waits on.
bool HidKeyboard::Cancel(uint32_t handle) {
    std::lock_guard<std::mutex> lock(mu_);
    if (subscriptions_.erase(handle) == 0) return writeHandles_.erase(handle) > 0;
    auto range = readers_.equal_range(handle);
    for (auto it = range.first; it != range.second; ++it) {
        std::shared_ptr<Reader> reader = std::move(it->second);
        reader->stop = true;
        if (reader->device != nullptr) port_.cancel(port_.context, reader->device);
        retired_.push_back(std::move(reader));
    }
    readers_.erase(range.first, range.second);
    readerWake_.notify_all();
    return true;
}

void HidKeyboard::ReaderLoop(const std::shared_ptr<Reader>& reader) {
    std::vector<uint8_t> buffer;
    int failures = 0;  // in a row: a collection that keeps failing is retried less and less often
    for (;;) {
        Handoff open;
        uint64_t arrivals = 0;
        ConsumerLayout layout;
        // Recorded in the same hold of mu_ that takes the handle over or ends its open. With mu_ let go in
        // between, a scan finding a collection arriving would see a reader with no handle, none handed and
        // none being opened, and open it a second one that nobody reads or closes; a query-remove would not
        // wait for this one either.
        const auto record = [&] {
            reader->device = open.device;
            reader->openId = open.id;
            reader->openedAtArrivals = arrivals_;
            reader->heldLogged = false;
            readerWake_.notify_all();
            if (FansOut(reader->collection)) {
                layout = DescribeConsumerLayout(open.caps);
                if (layout.declared && !layout.expected) Log(layout.description + " on " + open.id);
            }
        };
        {
            std::unique_lock<std::mutex> lock(mu_);
            readerWake_.wait(lock, [&] {
                if (reader->stop || reader->handed.device != nullptr) return true;
                const Collection* c = reader->opening ? nullptr : TargetOf(*reader);
                return c != nullptr && closedForRemoval_.count(c->id) == 0;
            });
            if (reader->stop) break;
            arrivals = arrivals_;
            if (reader->handed.device != nullptr) {
                open = std::move(reader->handed);
                reader->handed = Handoff{};
                record();
            } else {
                const Collection* c = TargetOf(*reader);
                open = Handoff{nullptr, c->id, c->caps, generation_};
                reader->opening = true;
            }
        }
        if (open.device == nullptr) {
            int why = 0;
            open.device = OpenFor(open.id, HidAccess::Read, why);
            const HidError e = open.device == nullptr ? PortError() : HidError{};
            std::unique_lock<std::mutex> lock(mu_);
            reader->opening = false;
            readerWake_.notify_all();
            if (open.device == nullptr) {
                // It may have gone between the scan and the open, or the user may not be allowed to open it.
                // Waiting is cut short when a scan finds a collection arriving (the keyboard plugged in again).
                // Another program holding it is not helped by a scan: it is said once, and tried again later.
                const bool held = why == kOpenHeldByOther || e.failure == HidFailure::SharingViolation;
                if (!held) Log(Describe("opening", open.id, e));
                else if (!reader->heldLogged)
                    Log("keyboard held by another program: " + open.id +
                        " cannot be opened for reading (sharing violation)");
                reader->heldLogged = held;
                if (!held) rescanRequested_ = true;
                // A path the system no longer knows is its word that the collection went (Wine says so only
                // this way): the listing that misses it need not be confirmed by a second one a while later.
                if (e.failure == HidFailure::Gone) removalNoticed_ = true;
                scanWake_.notify_all();
                failures = std::min(failures + 1, 5);
                readerWake_.wait_for(lock, timings_.retryDelay * (1 << (failures - 1)), [&] {
                    return reader->stop || reader->handed.device != nullptr || arrivals_ != arrivals;
                });
                if (arrivals_ != arrivals) failures = 0;
                continue;
            }
            record();
        }
        const std::size_t reportLength = open.caps.inputReportLength;
        buffer.assign(reportLength > 0 ? reportLength : kMinReadBuffer, 0);
        bool failed = false;
        HidError error;
        const int readTimeout = port_.cancelEndsRead ? -1 : timings_.readTimeoutMs;
        // Checked before each read too: a cancel aimed at this handle may have come before it was known.
        const auto done = [&] {
            return reader->stop || open.generation != generation_ || !IsPresent(open.id) ||
                   closedForRemoval_.count(open.id) != 0;
        };
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mu_);
                if (done()) break;
                ++reader->readsStarted;
                exchangeWake_.notify_all();
            }
            const int n = port_.read(port_.context, open.device, buffer.data(), buffer.size(), readTimeout);
            if (n < 0) {
                error = PortError();
                failed = true;
                break;
            }
            failures = 0;
            {
                std::lock_guard<std::mutex> lock(mu_);
                if (done()) break;
            }
            const std::size_t count = std::min(static_cast<std::size_t>(n), buffer.size());
            SplitInputReports(buffer.data(), count, reportLength, [&](const uint8_t* report, std::size_t length) {
                if (!IsOwnInputReport(open.caps, report, length) || !PassOnReport(*reader)) return;
                DeliverData(*reader, layout, report, length);
                NoteAnswer(*reader);
            });
        }
        {
            std::lock_guard<std::mutex> lock(mu_);
            reader->device = nullptr;
            readerWake_.notify_all();
        }
        port_.close(port_.context, open.device);
        {
            std::lock_guard<std::mutex> lock(mu_);
            reader->openId.clear();
            handleClosed_.notify_all();
        }
        if (failed) {
            // Removed, or the handle went stale (sleep and wake): look at the system again, then reopen.
            std::unique_lock<std::mutex> lock(mu_);
            rescanRequested_ = true;
            scanWake_.notify_all();
            failures = std::min(failures + 1, 5);
            Log(Describe("reading", open.id, error));
            readerWake_.wait_for(lock, timings_.retryDelay * (1 << (failures - 1)), [&] {
                return reader->stop || reader->handed.device != nullptr || arrivals_ != arrivals;
            });
        }
    }
    HidDevice unused = nullptr;
    {
        std::lock_guard<std::mutex> lock(mu_);
        unused = reader->handed.device;
        reader->handed = Handoff{};
    }
    if (unused != nullptr) port_.close(port_.context, unused);
    std::lock_guard<std::mutex> lock(mu_);
    reader->exited = true;
}

void HidKeyboard::DeliverData(const Reader& reader, const ConsumerLayout& layout, const uint8_t* data,
                              std::size_t length) {
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (reader.stop) return;
    }
    kv::ServiceRequestRecord record{};
    record.tag = reader.tag;
    record.countOrState = static_cast<uint32_t>(length);
    record.data = data;
    kv::ConsumerInfo info{};
    uint16_t usage = 0;
    if (FansOut(reader.collection) && DecodeConsumerReport(layout, data, length, usage)) {
        kv::SetConsumerUsagePointer(info, &usage);
        record.consumer = &info;
    }
    kv::ServiceNotification notification{};
    notification.kind = kv::kNotifyData;
    notification.request = &record;
    try {
        (void)reader.callback(&notification);
    } catch (...) {
        // A subscriber's callback that throws loses its notification; the library's thread goes on.
    }
}

std::shared_ptr<HidKeyboard::OpenDevice> HidKeyboard::Writer(kv::CollectionUsage collection, HidCaps& caps,
                                                            int& why) {
    why = kOpenFailed;
    std::string id;
    uint64_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (!running_) return nullptr;
        const Collection* c = Choose(collection);
        if (c == nullptr || closedForRemoval_.count(c->id) != 0) return nullptr;
        caps = c->caps;
        auto it = writers_.find(c->id);
        if (it != writers_.end() && it->second->generation == generation_) return it->second;
        id = c->id;
        generation = generation_;
    }
    const HidDevice device = OpenFor(id, HidAccess::Write, why);
    if (device == nullptr) {
        const HidError e = PortError();
        if (e.failure == HidFailure::SharingViolation) why = kOpenHeldByOther;
        if (why == kOpenHeldByOther) return nullptr;  // said by the caller; a scan would not help
        {
            std::lock_guard<std::mutex> lock(mu_);
            Log(Describe("opening", id, e));
        }
        RequestRescan();
        return nullptr;
    }
    auto opened = std::make_shared<OpenDevice>(port_, id, caps, generation, device);
    std::shared_ptr<OpenDevice> replaced;  // closed outside mu_
    std::lock_guard<std::mutex> lock(mu_);
    auto& slot = writers_[id];
    replaced = std::move(slot);
    slot = opened;
    return opened;
}

void HidKeyboard::DropWriter(const std::shared_ptr<OpenDevice>& device) {
    std::shared_ptr<OpenDevice> dropped;
    {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = writers_.find(device->id);
        if (it != writers_.end() && it->second == device) {
            dropped = std::move(it->second);
            writers_.erase(it);
        }
    }
    RequestRescan();
}

// Only a handle that went stale (the computer slept) or a collection that went away is worth a second
// try, on a freshly opened handle (a removed collection cannot be opened again, so that write fails at
// once). A write that timed out may already have reached the keyboard and is never sent again; one the
// system refused would be refused again.
int HidKeyboard::SendOutput(kv::CollectionUsage collection, const uint8_t* data, std::size_t length, bool feature) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        HidCaps caps;
        int why = 0;
        // A command to the keyboard waits for other programs' commands first, before its handle is opened.
        const bool taken = !feature && TakeExchange(collection);
        std::shared_ptr<OpenDevice> device = Writer(collection, caps, why);
        if (device == nullptr) {
            WaitForAnswerAndRelease(taken, false);
            if (why != kOpenHeldByOther) return 0;
            Log("keyboard held by another program: the collection cannot be opened for writing (sharing "
                "violation); not sent");
            return kv::kWriteHeldByOther;
        }
        std::vector<uint8_t> report;
        const FrameStatus framed =
            FrameOutputReport(data, length, feature ? caps.featureReportLength : caps.outputReportLength, report);
        if (framed != FrameStatus::Ok) {
            WaitForAnswerAndRelease(taken, false);
            std::lock_guard<std::mutex> lock(mu_);
            Log(framed == FrameStatus::TooLong ? "report longer than the collection takes; not sent" : "empty report");
            return 0;
        }
        int sent = 0;
        int shortCount = 0;
        HidError error;
        {
            std::lock_guard<std::mutex> lock(device->writeMu);
            sent = feature ? port_.setFeature(port_.context, device->device, report.data(), report.size())
                           : port_.write(port_.context, device->device, report.data(), report.size(),
                                         timings_.writeTimeoutMs);
            // A report goes out whole or not at all: a write the system finished is sent, whatever count it
            // gives (one system counts a numbered report without its id byte). The count is only logged.
            if (sent <= 0) error = PortError();
            else if (!feature && sent != static_cast<int>(report.size()) && !device->shortCountLogged) {
                device->shortCountLogged = true;
                shortCount = sent;
            }
        }
        WaitForAnswerAndRelease(taken, sent > 0);
        if (shortCount > 0) {
            char line[120];
            std::snprintf(line, sizeof line, ": the system counted %d of the report's %u bytes written; taken as sent",
                          shortCount, static_cast<unsigned>(report.size()));
            std::lock_guard<std::mutex> lock(mu_);
            Log("writing to " + device->id + line);
        }
        if (sent > 0) return static_cast<int>(length);
        if (error.failure == HidFailure::None) error.failure = HidFailure::Other;
        {
            std::lock_guard<std::mutex> lock(mu_);
            Log(Describe(feature ? "feature report to" : "writing to", device->id, error));
        }
        const bool stale = error.failure == HidFailure::Gone;
        // A handle that may be broken is closed; the scan it asks for tells whether the keyboard is gone.
        if (stale || error.handleDead || error.failure == HidFailure::Other) DropWriter(device);
        if (!stale) return 0;
    }
    return 0;
}

int HidKeyboard::WriteReport(kv::CollectionUsage collection, const uint8_t* data, std::size_t length) {
    return SendOutput(collection, data, length, false);
}

int HidKeyboard::WriteStatus(kv::CollectionUsage collection, const uint8_t* data, std::size_t length,
                             uint32_t* handle) {
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (!running_) return 0;
    }
    if (handle != nullptr) *handle = NewHandle();
    const int sent = SendOutput(collection, data, length, false);
    if (sent > 0) {
        std::lock_guard<std::mutex> lock(mu_);
        lastStatus_[CollectionKey(collection)].assign(data, data + length);
    }
    return sent;
}

int HidKeyboard::ReadStatus(kv::CollectionUsage collection, uint8_t* data, std::size_t length) {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = lastStatus_.find(CollectionKey(collection));
    if (it == lastStatus_.end() || data == nullptr) return 0;
    const std::size_t n = std::min(length, it->second.size());
    std::copy(it->second.begin(), it->second.begin() + static_cast<std::ptrdiff_t>(n), data);
    return static_cast<int>(n);
}

int HidKeyboard::SetFeature(kv::CollectionUsage collection, const uint8_t* data, std::size_t length) {
    return SendOutput(collection, data, length, true);
}

void HidKeyboard::NoteRequestIdMismatch(const char* call, uint32_t got, uint32_t expected) {
    std::lock_guard<std::mutex> lock(mu_);
    ++idMismatches_;
    char line[160];
    std::snprintf(line, sizeof line, "%s: request identifier %08X, expected %08X", call != nullptr ? call : "?",
                  static_cast<unsigned>(got), static_cast<unsigned>(expected));
    Log(line);
}

// Turning the log on also writes what is known already: each of the keyboard's collections.
int HidKeyboard::SetVerbosity(int level) {
    std::vector<Collection> present;
    int previous = 0;
    {
        std::lock_guard<std::mutex> lock(mu_);
        previous = verbosity_.exchange(level);
        present = present_;
    }
    if (port_.setLogLevel != nullptr) port_.setLogLevel(port_.context, level);
    if (level > 0 && previous <= 0) {
        Log(std::string("log on; ") + (watching_ ? "watching the system's notifications" : "polling"));
        for (const Collection& c : present) LogCollection(c);
    }
    return previous;
}

void HidKeyboard::LogCollection(const Collection& c) {
    if (verbosity_ <= 0) return;
    char line[200];
    std::snprintf(line, sizeof line,
                  "collection %04X:%04X version %04X, usage page %04X usage %04X, report bytes in %u out %u "
                  "feature %u: ",
                  c.attributes.vendorId, c.attributes.productId, c.attributes.version, c.caps.usagePage,
                  c.caps.usage, c.caps.inputReportLength, c.caps.outputReportLength, c.caps.featureReportLength);
    Log(line + c.id);
}

// Called with or without mu_; the port writes the line where a support request finds it.
void HidKeyboard::Log(const std::string& line) {
    if (verbosity_ <= 0) return;
    if (port_.log != nullptr) port_.log(port_.context, line);
    else std::fprintf(stderr, "quorvex: %s\n", line.c_str());
}

}  // namespace qvx::hid
