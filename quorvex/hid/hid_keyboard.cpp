// Threads: the scan thread (ScanLoop) re-enumerates the system's collections, sends presence changes to
// the vendor collection's subscribers and joins readers that have ended; the system's own thread runs
// OnSystemEvent (hid_keyboard_events.cpp), which asks for scans and closes handles; each subscription has a reader
// thread (ReaderLoop) that owns its own open handle and calls its subscriber for every input report; any
// caller thread runs the HidBackend calls, and a write runs on its caller's thread with a bounded wait.
// Subscribers may thus be called on several library threads at once, each subscription in report order.
// Locks: mu_ guards the backend's fields; portMu_ serialises the port's enumerate, attributes, caps, open
// and close; scanMu_ lets one scan run at a time; each write handle has its own lock for its writes.
// The exchange lock (the port's, shared with other programs) is taken by a vendor write on its caller's
// thread and given back there once the answer has been passed on or the wait ran out.
// Callbacks are called with no lock held, so a callback may call back into the library.
#include "hid/hid_keyboard.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "hid/collection_match.h"
#include "hid/report_framing.h"

namespace qvx::hid {
namespace {

constexpr std::size_t kMinReadBuffer = 64;
constexpr std::size_t kWriteHandleLimit = 4096;  // finished-write handles nobody cancelled are forgotten

bool Same(kv::CollectionUsage a, kv::CollectionUsage b) { return a.usagePage == b.usagePage && a.usage == b.usage; }

uint32_t CollectionKey(kv::CollectionUsage c) { return (static_cast<uint32_t>(c.usagePage) << 16) | c.usage; }

}  // namespace

struct HidKeyboard::OpenDevice {
    OpenDevice(HidPort& port, std::mutex& portMu, std::string id, HidCaps caps, uint64_t generation,
               HidDevice device)
        : port(port), portMu(portMu), id(std::move(id)), caps(std::move(caps)), generation(generation),
          device(device) {}
    ~OpenDevice() {
        std::lock_guard<std::mutex> lock(portMu);
        port.close(port.context, device);
    }
    OpenDevice(const OpenDevice&) = delete;
    OpenDevice& operator=(const OpenDevice&) = delete;

    HidPort& port;
    std::mutex& portMu;
    const std::string id;
    const HidCaps caps;
    const uint64_t generation;
    const HidDevice device;
    std::mutex writeMu;  // one output report at a time on this handle
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
        present_.clear();
        known_.clear();
        writeHandles_.clear();
        closedForRemoval_.clear();
        removalNotified_ = false;
    }
    writers.clear();  // closes the write handles (a write still under way keeps its own until it ends)
}

HidKeyboard::PresenceChange HidKeyboard::Scan() {
    std::lock_guard<std::mutex> scanLock(scanMu_);
    std::vector<std::string> ids;
    bool listed = false;
    {
        std::lock_guard<std::mutex> lock(portMu_);
        listed = port_.enumerate(port_.context, ids);
    }
    PresenceChange change;
    if (!listed) return change;  // keep the last picture; the next scan tries again

    std::map<std::string, Collection> known;
    {
        std::lock_guard<std::mutex> lock(mu_);
        for (const std::string& id : ids) {
            auto it = known_.find(id);
            if (it != known_.end()) known.emplace(id, it->second);
        }
    }
    std::vector<Collection> present;
    for (const std::string& id : ids) {
        auto it = known.find(id);
        if (it == known.end()) {
            Collection c;
            c.id = id;
            std::lock_guard<std::mutex> lock(portMu_);
            if (!port_.attributes(port_.context, id, c.attributes)) continue;  // asked again next scan
            const bool ours = c.attributes.vendorId == kv::kVendorId && c.attributes.productId == kv::kProductId;
            if (ours && !port_.caps(port_.context, id, c.caps)) continue;
            if (ours) LogCollection(c);
            it = known.emplace(id, std::move(c)).first;
        }
        if (MatchesCollection(it->second.attributes, it->second.caps, kv::CollectionUsage{0, 0}))
            present.push_back(it->second);
    }

    std::vector<std::shared_ptr<OpenDevice>> dropped;  // closed below, outside mu_
    {
        std::lock_guard<std::mutex> lock(mu_);
        known_ = std::move(known);
        present_ = std::move(present);
        for (auto it = writers_.begin(); it != writers_.end();) {
            if (IsPresent(it->first)) {
                ++it;
            } else {
                dropped.push_back(std::move(it->second));
                it = writers_.erase(it);
            }
        }
        // Reads wait without a clock: a reader whose collection went is woken here.
        for (auto& [handle, reader] : readers_)
            if (!reader->openId.empty() && !IsPresent(reader->openId)) CancelReadersOf(reader->openId);
        const bool attached = std::any_of(present_.begin(), present_.end(), [](const Collection& c) {
            return MatchesCollection(c.attributes, c.caps, kv::kVendorCollection);
        });
        // Unplugged and plugged in again between two listings (a USB reset, waking up): the keyboard may
        // have forgotten what it was told, so the program must hear it went and came back.
        const bool replugged = scanned_ && attached && attached_ && removalNotified_;
        removalNotified_ = false;
        if (replugged) {
            ++generation_;  // the old handles are dead
            for (auto& [id, device] : writers_) dropped.push_back(std::move(device));
            writers_.clear();
        }
        if (scanned_ && (attached != attached_ || replugged)) {
            change.attached = attached;
            change.replugged = replugged;
            for (const auto& [handle, reader] : readers_)
                if (Same(reader->collection, kv::kVendorCollection)) change.subscribers.push_back(reader);
            Log(replugged ? "keyboard removed and attached again" : attached ? "keyboard attached" : "keyboard removed");
        }
        attached_ = attached;
        scanned_ = true;
        readerWake_.notify_all();
    }
    return change;
}

const HidKeyboard::Collection* HidKeyboard::FindPresent(kv::CollectionUsage wanted) const {
    for (const Collection& c : present_)
        if (MatchesCollection(c.attributes, c.caps, wanted) && closedForRemoval_.count(c.id) == 0) return &c;
    return nullptr;
}

bool HidKeyboard::IsPresent(const std::string& id) const {
    return std::any_of(present_.begin(), present_.end(), [&](const Collection& c) { return c.id == id; });
}

void HidKeyboard::RequestRescan() {
    std::lock_guard<std::mutex> lock(mu_);
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
            scanWake_.wait_for(lock, watching_ ? timings_.backstopInterval : timings_.scanInterval,
                               [&] { return session != session_ || rescanRequested_; });
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
    for (const auto& reader : change.subscribers) {
        {
            std::lock_guard<std::mutex> lock(mu_);
            if (reader->stop) continue;
        }
        for (const bool state : {false, true}) {
            if (state != change.attached && !change.replugged) continue;
            kv::ServiceRequestRecord record{};
            record.tag = reader->tag;
            record.countOrState = state ? 1u : 0u;
            kv::ServiceNotification notification{};
            notification.kind = kv::kNotifyStateChange;
            notification.request = &record;
            try {
                (void)reader->callback(&notification);
            } catch (...) {
                // A subscriber's callback that throws loses its notification; the library's thread goes on.
            }
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

uint32_t HidKeyboard::Subscribe(kv::CollectionUsage collection, kv::ServiceCallback callback, uint32_t tag) {
    if (callback == nullptr) return 0;
    std::lock_guard<std::mutex> lock(mu_);
    if (!running_ || stopping_) return 0;
    auto reader = std::make_shared<Reader>();
    reader->handle = nextHandle_++;
    if (nextHandle_ == 0) nextHandle_ = 1;
    reader->collection = collection;
    reader->callback = callback;
    reader->tag = tag;
    readers_.emplace(reader->handle, reader);
    ++liveThreads_;
    reader->thread = std::thread([this, reader] {
        ReaderLoop(reader);
        ThreadEnded();
    });
    return reader->handle;
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
    auto it = readers_.find(handle);
    if (it == readers_.end()) return writeHandles_.erase(handle) > 0;
    std::shared_ptr<Reader> reader = std::move(it->second);
    readers_.erase(it);
    reader->stop = true;
    if (reader->device != nullptr) port_.cancel(port_.context, reader->device);
    retired_.push_back(std::move(reader));
    readerWake_.notify_all();
    return true;
}

void HidKeyboard::ReaderLoop(const std::shared_ptr<Reader>& reader) {
    std::vector<uint8_t> buffer;
    int failures = 0;  // in a row: a collection that keeps failing is retried less and less often
    for (;;) {
        std::string id;
        HidCaps caps;
        uint64_t generation = 0;
        {
            std::unique_lock<std::mutex> lock(mu_);
            readerWake_.wait(lock, [&] { return reader->stop || FindPresent(reader->collection) != nullptr; });
            if (reader->stop) break;
            const Collection* c = FindPresent(reader->collection);
            id = c->id;
            caps = c->caps;
            generation = generation_;
        }
        HidDevice device = nullptr;
        int why = 0;
        {
            std::lock_guard<std::mutex> lock(portMu_);
            device = OpenFor(id, HidAccess::Read, why);
        }
        if (device == nullptr) {
            // Another program holding it is not helped by a scan; otherwise it may have gone between the
            // scan and the open, or the user may not be allowed to open it.
            if (why != kOpenHeldByOther) RequestRescan();
            failures = std::min(failures + 1, 5);
            std::unique_lock<std::mutex> lock(mu_);
            if (why == kOpenHeldByOther && !reader->heldLogged) {
                Log("keyboard held by another program: " + id + " cannot be opened for reading (sharing violation)");
                reader->heldLogged = true;
            }
            readerWake_.wait_for(lock, timings_.retryDelay * (1 << (failures - 1)), [&] { return reader->stop; });
            continue;
        }
        {
            std::lock_guard<std::mutex> lock(mu_);
            reader->device = device;
            reader->openId = id;
            reader->heldLogged = false;
        }
        buffer.assign(std::max<std::size_t>(caps.inputReportLength, kMinReadBuffer), 0);
        bool failed = false;
        const int readTimeout = port_.cancelEndsRead ? -1 : timings_.readTimeoutMs;
        // Checked before each read too: a cancel aimed at this handle may have come before it was known
        // (a port's cancel holds for the next read, but not for one aimed at no handle).
        const auto done = [&] {
            std::lock_guard<std::mutex> lock(mu_);
            return reader->stop || generation != generation_ || !IsPresent(id) || closedForRemoval_.count(id) != 0;
        };
        for (;;) {
            if (done()) break;
            {
                std::lock_guard<std::mutex> lock(mu_);
                ++reader->readsStarted;
                exchangeWake_.notify_all();
            }
            const int n = port_.read(port_.context, device, buffer.data(), buffer.size(), readTimeout);
            if (n < 0) {
                failed = true;
                break;
            }
            failures = 0;
            if (done()) break;
            const std::size_t count = std::min(static_cast<std::size_t>(n), buffer.size());
            if (count > 0 && IsOwnInputReport(caps, buffer.data(), count) && PassOnReport(*reader)) {
                DeliverData(*reader, buffer.data(), count);
                NoteAnswer(*reader);
            }
        }
        {
            std::lock_guard<std::mutex> lock(mu_);
            reader->device = nullptr;
        }
        {
            std::lock_guard<std::mutex> lock(portMu_);
            port_.close(port_.context, device);
        }
        {
            std::lock_guard<std::mutex> lock(mu_);
            reader->openId.clear();
            handleClosed_.notify_all();
        }
        if (failed) {
            // Removed, or the handle went stale (sleep and wake): look at the system again, then reopen.
            RequestRescan();
            failures = std::min(failures + 1, 5);
            std::unique_lock<std::mutex> lock(mu_);
            Log("read failed on " + id);
            readerWake_.wait_for(lock, timings_.retryDelay * (1 << (failures - 1)), [&] { return reader->stop; });
        }
    }
    std::lock_guard<std::mutex> lock(mu_);
    reader->exited = true;
}

void HidKeyboard::DeliverData(const Reader& reader, const uint8_t* data, std::size_t length) {
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
    if (reader.collection.usagePage == kv::kConsumerCollection.usagePage && DecodeConsumerUsage(data, length, usage)) {
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
        const Collection* c = FindPresent(collection);
        if (c == nullptr) return nullptr;
        caps = c->caps;
        auto it = writers_.find(c->id);
        if (it != writers_.end() && it->second->generation == generation_) return it->second;
        id = c->id;
        generation = generation_;
    }
    HidDevice device = nullptr;
    {
        std::lock_guard<std::mutex> lock(portMu_);
        device = OpenFor(id, HidAccess::Write, why);
    }
    if (device == nullptr) {
        if (why != kOpenHeldByOther) RequestRescan();
        return nullptr;
    }
    auto opened = std::make_shared<OpenDevice>(port_, portMu_, id, caps, generation, device);
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

// A write that fails on a handle that may have gone stale (the computer slept) is tried once more on a
// freshly opened one; a removed collection cannot be opened again, so that write fails at once.
int HidKeyboard::SendOutput(kv::CollectionUsage collection, const uint8_t* data, std::size_t length, bool feature) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        HidCaps caps;
        int why = 0;
        std::shared_ptr<OpenDevice> device = Writer(collection, caps, why);
        if (device == nullptr) {
            if (why != kOpenHeldByOther) return 0;
            Log("keyboard held by another program: the collection cannot be opened for writing (sharing "
                "violation); not sent");
            return kv::kWriteHeldByOther;
        }
        std::vector<uint8_t> report;
        const FrameStatus framed =
            FrameOutputReport(data, length, feature ? caps.featureReportLength : caps.outputReportLength, report);
        if (framed != FrameStatus::Ok) {
            std::lock_guard<std::mutex> lock(mu_);
            Log(framed == FrameStatus::TooLong ? "report longer than the collection takes; not sent" : "empty report");
            return 0;
        }
        int sent = 0;
        const bool taken = !feature && TakeExchange(collection);
        {
            std::lock_guard<std::mutex> lock(device->writeMu);
            sent = feature ? port_.setFeature(port_.context, device->device, report.data(), report.size())
                           : port_.write(port_.context, device->device, report.data(), report.size(),
                                         timings_.writeTimeoutMs);
        }
        if (taken) WaitForAnswerAndRelease(true, sent == static_cast<int>(report.size()));
        if (feature ? sent > 0 : sent == static_cast<int>(report.size())) return static_cast<int>(length);
        DropWriter(device);  // the scan it asks for tells whether the keyboard is gone
        std::lock_guard<std::mutex> lock(mu_);
        Log(feature ? "feature report refused" : "write failed");
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
