// Threads: a caller's thread writes a command report, sleeps until the report has left and then processes
// every command report that has arrived by then, in the order they were sent (so two writers never swap
// their commands); the keyboard thread (Run) delivers answers, events and presence changes to the
// subscribers' callbacks (with mu_ released) when they are due, and saves the state file; the control
// server's thread runs Control(). mu_ guards all of the keyboard's fields; callbacks are always called
// without it, so a callback may call back into the library (the bank indicator write does).
//
// Timing model: each report has one deadline, computed from the model's own times, never from when a thread
// happened to wake: a command arrives at its send time plus the bus time, its answer leaves at that arrival
// (plus any injected delay) and reaches the host one bus time later. A thread that wakes late therefore
// delays nothing that follows; only the delivery of the answer itself waits on the system's scheduler.
#include "virtual/virtual_keyboard.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "environment.h"
#include "virtual/precise_timing.h"
#include "virtual/state_store.h"

namespace qvx {
namespace {

constexpr std::size_t kLogLimit = 4000;
constexpr auto kSaveDelay = std::chrono::milliseconds(50);  // writes in a burst are saved once

bool Same(kv::CollectionUsage a, kv::CollectionUsage b) { return a.usagePage == b.usagePage && a.usage == b.usage; }

bool IsKnownCollection(kv::CollectionUsage c) {
    return Same(c, kv::kVendorCollection) || Same(c, kv::kConsumerCollection) || Same(c, kv::kIndicatorCollection);
}

int EnvInt(const char* name, int fallback) {
    const std::string v = EnvironmentValue(name);
    if (v.empty()) return fallback;
    char* end = nullptr;
    const long n = std::strtol(v.c_str(), &end, 0);
    return (end != nullptr && *end == '\0' && n >= 0 && n <= 10000000) ? static_cast<int>(n) : fallback;
}

// Counts down a fault; true when it applies to this answer or write.
bool Take(int& count) {
    if (count == 0) return false;
    if (count > 0) --count;
    return true;
}

void FixChecksum(Report& r) {
    const uint16_t sum = ReportChecksum(r);
    r[1] = static_cast<uint8_t>(sum);
    r[2] = static_cast<uint8_t>(sum >> 8);
}

}  // namespace

std::unique_ptr<HidBackend> CreateBackend() { return std::make_unique<VirtualKeyboard>(); }

VirtualKeyboard::VirtualKeyboard() = default;

VirtualKeyboard::~VirtualKeyboard() { Stop(); }

int VirtualKeyboard::Start() {
    std::unique_lock<std::mutex> lock(mu_);
    if (running_) return 1;
    factoryMake_ = KeyboardMake{};
    if (EnvironmentValue("KELVANE_VK_MATRIX") == "builtin")
        factoryMake_.matrix = Matrix::Builtin;
    statePath_ = StatePath();
    memory_ = FactoryMemory(factoryMake_);
    std::string note;
    KeyboardMemory loaded;
    if (LoadState(statePath_, loaded, note)) memory_ = std::move(loaded);
    Log("start: " + note + " (" + statePath_.string() + ")");
    attached_ = EnvInt("KELVANE_VK_ATTACHED", 1) != 0;
    bootMode_ = false;
    faults_ = FaultPlan{};
    usbMicros_ = EnvInt("KELVANE_VK_USB_US", 0);
    outFree_ = inFree_ = Clock::now();
    jobs_.clear();
    outbound_.clear();
    subscriptions_.clear();
    dirty_ = false;
    stopping_ = false;
    inCallback_ = false;
    running_ = true;
    worker_ = std::thread([this] { Run(); });
    channel_ = ControlChannelName();
    lock.unlock();

    std::string error;
    const bool up = server_.Start(channel_, [this](const std::string& line) { return Control(line); }, error);
    lock.lock();
    channelUp_ = up;
    Log(up ? "control channel \"" + channel_ + "\" listening" : "control channel unavailable: " + error);
    return 1;
}

void VirtualKeyboard::Stop() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (!running_) return;
    }
    server_.Stop();
    std::unique_lock<std::mutex> lock(mu_);
    stopping_ = true;
    wake_.notify_all();
    lock.unlock();
    if (worker_.joinable()) {
        if (worker_.get_id() == std::this_thread::get_id()) worker_.detach();  // End called from a callback
        else worker_.join();
    }
    lock.lock();
    if (dirty_) SaveNow(lock);
    Log("stop");
    running_ = false;
    channelUp_ = false;
    subscriptions_.clear();
    jobs_.clear();
    outbound_.clear();
}

void VirtualKeyboard::Run() {
    const PreciseTiming timing;
    std::unique_lock<std::mutex> lock(mu_);
    workerId_ = std::this_thread::get_id();
    while (!stopping_) {
        const auto now = Clock::now();
        if (dirty_ && now >= saveDue_) {
            SaveNow(lock);
            continue;
        }
        if (!jobs_.empty() && jobs_.begin()->first <= now) {
            auto it = jobs_.begin();
            Job job = std::move(it->second);
            jobs_.erase(it);
            Deliver(lock, job);
            continue;
        }
        auto next = Clock::time_point::max();
        if (!jobs_.empty()) next = jobs_.begin()->first;
        if (dirty_) next = std::min(next, saveDue_);
        if (next == Clock::time_point::max()) wake_.wait(lock);
        else wake_.wait_until(lock, next);
    }
}

void VirtualKeyboard::RunCommand(std::unique_lock<std::mutex>& lock, const Report& request, Clock::time_point arrived) {
    (void)lock;
    ++commands_;
    if (!attached_) return;  // removed while the report was on its way
    Report answer{};
    if (request[3] != kEnterBoot && Take(faults_.failStatus)) {
        answer = StatusAnswer(request, faults_.failStatusValue);
        Log("fault: command " + std::to_string(request[3]) + " refused with status " +
            (faults_.failStatusValue == kStatusBusy ? "0xFE" : "0xFF"));
    } else {
        CommandOutcome outcome = ProcessCommand(memory_, request);
        if (outcome.enterBoot) {
            Log("boot mode: the keyboard leaves the bus until it is attached again");
            bootMode_ = true;
            SetAttached(false);
            return;
        }
        if (outcome.changed) MarkChanged();
        if (outcome.endOfTransaction && dirty_) {
            saveDue_ = Clock::now();
            wake_.notify_all();
        }
        answer = outcome.answer;
        if (answer[7] == kStatusFailed) Log("refused command " + std::to_string(request[3]) + " (status 0xFF)");
    }
    if ((faults_.dropCommand < 0 || faults_.dropCommand == request[3]) && Take(faults_.dropAnswers)) {
        Log("fault: answer to command " + std::to_string(request[3]) + " dropped");
        return;
    }
    if (Take(faults_.wrongEcho)) {
        answer[3] = static_cast<uint8_t>(answer[3] ^ 0x80);
        FixChecksum(answer);
        Log("fault: answer to command " + std::to_string(request[3]) + " echoes " + std::to_string(answer[3]));
    }
    const auto ready = arrived + std::chrono::milliseconds(faults_.answerDelayMs);
    const auto due = std::max(ready, inFree_) + UsbCost();
    inFree_ = due;
    Job job;
    job.kind = JobKind::Input;
    job.collection = kv::kVendorCollection;
    job.data.assign(answer.begin(), answer.end());
    Schedule(due, std::move(job));
}

void VirtualKeyboard::ArriveUntil(std::unique_lock<std::mutex>& lock, Clock::time_point until) {
    // Sent times only grow, so the front is always the next command to arrive.
    while (!outbound_.empty() && outbound_.front().arrives <= until) {
        const Outbound next = outbound_.front();
        outbound_.pop_front();
        RunCommand(lock, next.report, next.arrives);
    }
}

void VirtualKeyboard::Deliver(std::unique_lock<std::mutex>& lock, const Job& job) {
    if (job.kind == JobKind::Input && !attached_) return;  // a removed keyboard sends nothing
    std::vector<Subscription> targets;
    for (const auto& [handle, sub] : subscriptions_)
        if (job.kind == JobKind::State || Same(sub.collection, job.collection)) targets.push_back(sub);
    if (targets.empty()) return;
    inCallback_ = true;
    lock.unlock();
    for (const Subscription& sub : targets) {
        kv::ServiceRequestRecord record{};
        record.tag = sub.tag;
        kv::ServiceNotification notification{};
        notification.request = &record;
        uint16_t usage = job.usage;
        kv::ConsumerInfo info{};
        if (job.kind == JobKind::State) {
            notification.kind = kv::kNotifyStateChange;
            record.countOrState = job.state;
        } else {
            notification.kind = kv::kNotifyData;
            record.countOrState = static_cast<uint32_t>(job.data.size());
            record.data = job.data.data();
            if (Same(job.collection, kv::kConsumerCollection)) {
                kv::SetConsumerUsagePointer(info, &usage);
                record.consumer = &info;
            }
        }
        try {
            (void)sub.callback(&notification);
        } catch (...) {
            // A subscriber's callback that throws loses its notification; the library's thread goes on.
        }
    }
    lock.lock();
    inCallback_ = false;
    wake_.notify_all();
}

void VirtualKeyboard::Schedule(Clock::time_point due, Job job) {
    jobs_.emplace(due, std::move(job));
    wake_.notify_all();
}

void VirtualKeyboard::SaveNow(std::unique_lock<std::mutex>& lock) {
    const KeyboardMemory copy = memory_;
    const std::filesystem::path path = statePath_;
    dirty_ = false;
    lock.unlock();
    std::string error;
    const bool saved = SaveState(path, copy, error);
    lock.lock();
    if (!saved) Log("state not saved: " + error);
}

void VirtualKeyboard::MarkChanged() {
    dirty_ = true;
    saveDue_ = Clock::now() + kSaveDelay;
    wake_.notify_all();
}

void VirtualKeyboard::Log(const std::string& line) {
    std::string entry = "#" + std::to_string(++logSeq_) + " " + line;
    if (verbosity_ > 0) std::fprintf(stderr, "quorvex: %s\n", entry.c_str());
    log_.push_back(std::move(entry));
    while (log_.size() > kLogLimit) log_.pop_front();
}

void VirtualKeyboard::LogReport(const char* where, const uint8_t* data, std::size_t length) {
    std::string line = std::string(where) + ":";
    char hex[4];
    for (std::size_t i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, " %02X", data[i]);
        line += hex;
    }
    Log(line);
}

void VirtualKeyboard::SetAttached(bool attached) {
    if (attached == attached_) return;
    attached_ = attached;
    if (!attached) {
        // Reports on their way in either direction are lost with the keyboard.
        outbound_.clear();
        for (auto it = jobs_.begin(); it != jobs_.end();)
            it = it->second.kind == JobKind::State ? std::next(it) : jobs_.erase(it);
    }
    Log(attached ? "attached" : "detached");
    Job job;
    job.kind = JobKind::State;
    job.state = attached ? 1 : 0;
    Schedule(Clock::now(), std::move(job));
}

void VirtualKeyboard::SendConsumer(uint16_t usage) {
    Job job;
    job.kind = JobKind::Input;
    job.collection = kv::kConsumerCollection;
    job.usage = usage;
    job.data = {0x02, static_cast<uint8_t>(usage), static_cast<uint8_t>(usage >> 8)};
    char text[40];
    std::snprintf(text, sizeof text, "consumer event 0x%04X", usage);
    Log(text);
    Schedule(Clock::now() + UsbCost(), std::move(job));
}

void VirtualKeyboard::SendStray(int count) {
    for (int i = 0; i < count; ++i) {
        Report r{};
        r[0] = kReportId;
        r[3] = 0x00;  // answers no command
        for (std::size_t k = 8; k < kReportSize; ++k) r[k] = static_cast<uint8_t>(0xA5 ^ k);
        FixChecksum(r);
        Job job;
        job.kind = JobKind::Input;
        job.collection = kv::kVendorCollection;
        job.data.assign(r.begin(), r.end());
        const auto due = std::max(Clock::now(), inFree_) + UsbCost();
        inFree_ = due;
        Schedule(due, std::move(job));
    }
    Log("fault: " + std::to_string(count) + " stray input report(s)");
}

VirtualKeyboard::Clock::duration VirtualKeyboard::UsbCost() const { return std::chrono::microseconds(usbMicros_); }

int VirtualKeyboard::DeviceCount(kv::CollectionUsage collection) {
    std::lock_guard<std::mutex> lock(mu_);
    return (running_ && attached_ && IsKnownCollection(collection)) ? 1 : 0;
}

uint32_t VirtualKeyboard::Subscribe(kv::CollectionUsage collection, kv::ServiceCallback callback, uint32_t tag) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!running_ || callback == nullptr || !IsKnownCollection(collection)) return 0;
    const uint32_t handle = nextHandle_++;
    if (nextHandle_ == 0) nextHandle_ = 1;
    subscriptions_[handle] = Subscription{collection, callback, tag};
    char text[80];
    std::snprintf(text, sizeof text, "subscription %u on %04X/%04X, tag 0x%08X", handle, collection.usagePage,
                  collection.usage, tag);
    Log(text);
    return handle;
}

uint32_t VirtualKeyboard::NewHandle() {
    std::lock_guard<std::mutex> lock(mu_);
    const uint32_t handle = nextHandle_++;
    if (nextHandle_ == 0) nextHandle_ = 1;
    return handle;
}

bool VirtualKeyboard::Cancel(uint32_t handle) {
    std::unique_lock<std::mutex> lock(mu_);
    const bool found = subscriptions_.erase(handle) > 0;
    if (found) Log("subscription " + std::to_string(handle) + " cancelled");
    // A delivery already under way may still reach the cancelled callback; waiting for it here could
    // deadlock a caller that the callback itself waits for.
    return found || (handle != 0 && handle < nextHandle_);
}

int VirtualKeyboard::WriteReport(kv::CollectionUsage collection, const uint8_t* data, std::size_t length) {
    std::unique_lock<std::mutex> lock(mu_);
    if (!running_ || !attached_ || length == 0 || !Same(collection, kv::kVendorCollection)) return 0;
    if (Take(faults_.refuseWrites)) {
        Log("fault: write refused");
        return 0;
    }
    Report request{};
    std::memcpy(request.data(), data, std::min(length, kReportSize));
    LogReport("vendor", request.data(), request.size());
    const auto due = std::max(Clock::now(), outFree_) + UsbCost();
    outFree_ = due;
    outbound_.push_back(Outbound{due, request});
    lock.unlock();
    std::this_thread::sleep_until(due);  // the write returns when the report has left
    lock.lock();
    ArriveUntil(lock, due);
    return static_cast<int>(kReportSize);
}

int VirtualKeyboard::WriteStatus(kv::CollectionUsage collection, const uint8_t* data, std::size_t length,
                                 uint32_t* handle) {
    std::unique_lock<std::mutex> lock(mu_);
    if (!running_) return 0;
    if (handle != nullptr) {
        *handle = nextHandle_++;
        if (nextHandle_ == 0) nextHandle_ = 1;
    }
    if (!attached_ || !Same(collection, kv::kIndicatorCollection)) return 0;
    LogReport("indicator", data, length);
    if (length != memory_.bankIndicator.size()) {
        Log("indicator report refused: " + std::to_string(length) + " bytes, expected 2");
        return 0;
    }
    memory_.bankIndicator = {data[0], data[1]};
    Log(std::string("bank indicator: bank ") + ((data[1] & 1) ? "B" : "A"));
    MarkChanged();
    const auto due = std::max(Clock::now(), outFree_) + UsbCost();
    outFree_ = due;
    lock.unlock();
    std::this_thread::sleep_until(due);
    return static_cast<int>(length);
}

int VirtualKeyboard::ReadStatus(kv::CollectionUsage collection, uint8_t* data, std::size_t length) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!running_ || !attached_ || !Same(collection, kv::kIndicatorCollection)) return 0;
    const std::size_t n = std::min(length, memory_.bankIndicator.size());
    std::memcpy(data, memory_.bankIndicator.data(), n);
    return static_cast<int>(n);
}

int VirtualKeyboard::SetFeature(kv::CollectionUsage collection, const uint8_t* data, std::size_t length) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!running_ || !attached_ || !IsKnownCollection(collection) || length == 0) return 0;
    LogReport("feature", data, length);  // the keyboard has no feature reports; logged, without effect
    return static_cast<int>(length);
}

void VirtualKeyboard::NoteRequestIdMismatch(const char* call, uint32_t got, uint32_t expected) {
    std::lock_guard<std::mutex> lock(mu_);
    ++idMismatches_;
    char text[160];
    std::snprintf(text, sizeof text, "request id mismatch in %s: got 0x%08X, expected 0x%08X (%u so far)", call, got,
                  expected, idMismatches_);
    Log(text);
}

int VirtualKeyboard::SetVerbosity(int level) {
    std::lock_guard<std::mutex> lock(mu_);
    verbosity_ = level;
    Log("log verbosity " + std::to_string(level));
    return 1;
}

}  // namespace qvx
