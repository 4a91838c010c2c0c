// The virtual keyboard: a software model of the keyboard behind the HID service exports. It keeps the
// keyboard's memory (saved to a state file), answers command reports, sends consumer events and presence
// changes, and obeys a control channel through which tests and people attach, detach, raise events and
// inject faults.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "backend.h"
#include "control_channel.h"
#include "virtual/command_processor.h"
#include "virtual/keyboard_memory.h"

namespace qvx {

// Faults injected through the control channel. Counts apply to the next N answers (or writes);
// kAlways keeps a fault until it is cleared.
struct FaultPlan {
    static constexpr int kAlways = -1;
    int dropAnswers = 0;     // the command runs, its answer is lost
    int dropCommand = -1;    // only answers to this command code count for dropAnswers; -1 any
    int wrongEcho = 0;       // the command runs, its answer carries another command code
    int failStatus = 0;      // the command is refused with failStatusValue (0xFE or 0xFF), nothing changes
    uint8_t failStatusValue = kStatusFailed;
    int refuseWrites = 0;    // the single-report write returns 0; nothing reaches the keyboard
    int answerDelayMs = 0;   // added to every answer, until set back to 0
};

class VirtualKeyboard final : public HidBackend {
public:
    VirtualKeyboard();
    ~VirtualKeyboard() override;

    int Start() override;
    void Stop() override;
    int DeviceCount(kv::CollectionUsage collection) override;
    uint32_t Subscribe(kv::CollectionUsage collection, kv::ServiceCallback callback, uint32_t tag) override;
    uint32_t NewHandle() override;
    bool Cancel(uint32_t handle) override;
    int WriteReport(kv::CollectionUsage collection, const uint8_t* data, std::size_t length) override;
    int WriteStatus(kv::CollectionUsage collection, const uint8_t* data, std::size_t length, uint32_t* handle) override;
    int ReadStatus(kv::CollectionUsage collection, uint8_t* data, std::size_t length) override;
    int SetFeature(kv::CollectionUsage collection, const uint8_t* data, std::size_t length) override;
    void NoteRequestIdMismatch(const char* call, uint32_t got, uint32_t expected) override;
    int SetVerbosity(int level) override;

    // One line of the control protocol in, the complete reply out (data lines, then "ok" or "error: ...").
    // Defined in control_commands.cpp.
    [[nodiscard]] std::string Control(const std::string& line);

private:
    using Clock = std::chrono::steady_clock;

    // What the keyboard thread delivers to the host when it is due.
    enum class JobKind { Input, State };
    struct Job {
        JobKind kind = JobKind::Input;
        kv::CollectionUsage collection{};  // Input: where it arrives
        std::vector<uint8_t> data;         // Input: the input report
        uint16_t usage = 0;                // Input on the consumer collection: the consumer usage
        uint32_t state = 0;                // State: presence
    };
    struct Outbound {
        Clock::time_point arrives;  // send time plus the bus time
        Report report;
    };
    struct Subscription {
        kv::CollectionUsage collection;
        kv::ServiceCallback callback;
        uint32_t tag;
    };

    void Run();
    void RunCommand(std::unique_lock<std::mutex>& lock, const Report& request, Clock::time_point arrived);
    void ArriveUntil(std::unique_lock<std::mutex>& lock, Clock::time_point until);  // runs commands arrived by then
    void Deliver(std::unique_lock<std::mutex>& lock, const Job& job);
    void Schedule(Clock::time_point due, Job job);  // mu_ held
    void SaveNow(std::unique_lock<std::mutex>& lock);
    void MarkChanged();                             // mu_ held
    void Log(const std::string& line);              // mu_ held
    void LogReport(const char* where, const uint8_t* data, std::size_t length);  // mu_ held
    void SetAttached(bool attached);                // mu_ held; sends the state change
    void SendConsumer(uint16_t usage);              // mu_ held
    void SendStray(int count);                      // mu_ held
    Clock::duration UsbCost() const;                // mu_ held
    [[nodiscard]] std::string Status() const;       // mu_ held

    // Control commands, one per family (control_commands.cpp); each returns its reply's data lines or
    // throws nothing and reports errors through `error`.
    std::string ControlFault(const std::vector<std::string>& args, std::string& error);
    std::string ControlSet(const std::vector<std::string>& args, std::string& error);
    std::string ControlDump(const std::vector<std::string>& args, std::string& error);

    mutable std::mutex mu_;  // guards every field below
    std::condition_variable wake_;
    bool running_ = false;
    bool stopping_ = false;
    std::thread worker_;
    std::thread::id workerId_;
    bool inCallback_ = false;

    KeyboardMake factoryMake_;
    KeyboardMemory memory_;
    bool attached_ = true;
    bool bootMode_ = false;
    FaultPlan faults_;
    int usbMicros_ = 0;
    Clock::time_point outFree_{};
    Clock::time_point inFree_{};

    std::map<uint32_t, Subscription> subscriptions_;
    uint32_t nextHandle_ = 1;
    std::multimap<Clock::time_point, Job> jobs_;  // equal times keep their order
    std::deque<Outbound> outbound_;               // command reports on their way, in the order sent

    std::filesystem::path statePath_;
    bool dirty_ = false;
    Clock::time_point saveDue_{};

    std::deque<std::string> log_;
    uint64_t logSeq_ = 0;
    int verbosity_ = 0;
    uint32_t idMismatches_ = 0;
    uint64_t commands_ = 0;

    std::string channel_;
    bool channelUp_ = false;
    ControlServer server_;  // outside mu_: started and stopped by Start/Stop only
};

}  // namespace qvx
