// The program's Apply, natively against the virtual keyboard, for the reliability figures: libquorvex.so is
// bound from the program's own folder the way the program binds it, the keyboard's events go to the
// program's device workers, and an Apply saves the working profile file and writes the macro area and the
// three key tables through the device command set, remembering the first report that failed.
//
// Threads: Apply runs on the caller's thread (the fault matrix starts helpers that exchange, detach or
// switch banks meanwhile); the sink and the host run on the HID service's thread and on the workers'
// threads, and only touch atomics.
#pragma once

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "control_client.h"
#include "device/bank_indicator.h"
#include "device/commands.h"
#include "device/device_events.h"
#include "device/device_workers.h"
#include "device/hid_binding.h"
#include "device/service_link.h"
#include "keys/assignment_key_table.h"
#include "keys/assignment_store.h"
#include "keys/key_catalogue.h"
#include "macros/checked_data_link.h"
#include "macros/macro_area.h"
#include "macros/profile_write.h"
#include "profiles/profile_file.h"

namespace kvproof {

using Clock = std::chrono::steady_clock;

inline double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// What the device workers ask of the keyboard and the window. No window here: the window's parts count.
class RigHost final : public kv::DeviceEventHost {
public:
    int ReadDefaultKeyTable(uint8_t out[kv::kKeyTableSize]) override { return kv::ReadDefaultKeyTable(out); }
    int ReadInfo(uint8_t out[kv::kInfoSize]) override { return kv::ReadInfo(out); }
    void ClearDeviceProfileCache() override { kv::ClearDeviceProfileCache(); }
    int ToggleGKeyBank() override { return kv::ToggleGKeyBank(); }
    void ShowPrompt(const char*) override { prompts.fetch_add(1); }
    void SendProfile() override {}
    void SendDetached() override {}
    void HideMainWindow() override {}
    bool IsWindowInitialised() override { return true; }
    void SetTrayPicture(int, unsigned) override {}
    void PostOpen() override {}
    void ShowGKeyBank(int bank) override {
        shownBank.store(bank);
        bankSwitches.fetch_add(1);
    }
    void StartLightingReloadTimer() override {}
    void Sleep(unsigned ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    std::atomic<int> bankSwitches{0};
    std::atomic<int> shownBank{0};
    std::atomic<int> prompts{0};
};

class RigSink final : public kv::DeviceEventSink {
public:
    explicit RigSink(kv::DeviceWorkers& workers) : workers_(workers) {}
    void OnInitialPresence(int count) override { workers_.OnInitialPresence(count); }
    void OnPresenceChanged(uint32_t state) override { workers_.OnPresenceChanged(state); }
    void OnConsumerEvent(uint16_t code) override { workers_.OnConsumerEvent(code); }

private:
    kv::DeviceWorkers& workers_;
};

struct ApplyOutcome {
    int result = kv::kResultSuccess;  // the first failing report's result, or 1
    bool saved = false;               // the working file was written
    bool written = false;             // the write-out was sent (the macros fit)
    double ms = 0;
    [[nodiscard]] bool Ok() const { return saved && written && result == kv::kResultSuccess; }
};

// The profile data an Apply writes: assignments in all three profiles and `macros` macros of `actions`
// actions each; `generation` changes the data so that each Apply writes something new.
inline void FillProfile(kv::ProfileData& data, unsigned generation, std::size_t macros, std::size_t actions) {
    std::vector<kv::MacroRecord> list;
    for (std::size_t m = 0; m < macros; ++m) {
        kv::MacroRecord r = kv::NewMacro(u"m" + std::u16string(1, static_cast<char16_t>(u'a' + m % 26)) +
                                             std::u16string(1, static_cast<char16_t>(u'0' + generation % 10)),
                                         static_cast<uint16_t>(m + 1));
        r.isNew = 0;
        r.actionCount = static_cast<uint16_t>(actions);
        for (std::size_t i = 0; i < actions; ++i)
            r.actions[i] = {static_cast<uint32_t>(10 * (1 + (generation + i) % 50)), static_cast<uint16_t>(i % 2 ? 0x02A : 0x01E),
                            static_cast<uint16_t>(i % 2)};
        list.push_back(r);
    }
    {
        std::lock_guard<std::mutex> hold(data.lock);
        data.content = kv::ProfileContent{};
        data.content.macros = std::move(list);
    }
    // Each assignment takes the data's lock itself.
    const kv::KeyCode keys[] = {0x01E, 0x030, 0x02E, 0x039, 0x012};
    for (unsigned p = 0; p < 3; ++p) {
        const kv::KeyCode key = keys[(generation + p) % 5];
        if (macros > 0)
            (void)kv::StoreAssignment(data, p, kv::KeyIndexOf(key), kv::ASSIGN_MACRO, 1, static_cast<uint32_t>(1 + (generation + p) % macros));
        (void)kv::StoreAssignment(data, p, kv::KeyIndexOf(keys[(generation + p + 1) % 5]), kv::ASSIGN_KEY, 0, 0x162);
        (void)kv::StoreAssignment(data, p, kv::KeyIndexOf(keys[(generation + p + 2) % 5]), kv::ASSIGN_DISABLED, 0, 0);
    }
}

// This process's resources, from /proc.
struct ProcessFigures {
    long rssKb = 0;
    int threads = 0;
    int fds = 0;
};

inline ProcessFigures MeasureProcess() {
    ProcessFigures f;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) f.rssKb = std::strtol(line.c_str() + 6, nullptr, 10);
        if (line.rfind("Threads:", 0) == 0) f.threads = static_cast<int>(std::strtol(line.c_str() + 8, nullptr, 10));
    }
    if (DIR* d = opendir("/proc/self/fd")) {
        while (const dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++f.fds;
        closedir(d);
        --f.fds;  // the directory's own descriptor
    }
    return f;
}

class ApplyRig {
public:
    ApplyRig() : workers_(host_), sink_(workers_) {}
    ~ApplyRig() {
        workers_.WaitIdle();
        if (kv::IsServiceBound()) (void)kv::ServiceApi().End();
        kv::SetDeviceEventSink(nullptr);
        kv::ResetServiceLink();
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }
    ApplyRig(const ApplyRig&) = delete;
    ApplyRig& operator=(const ApplyRig&) = delete;

    // A keyboard of its own (state file, control channel), `usbMicros` per report and direction, bound like
    // the program binds it; the working file made from the data of generation 0.
    bool Start(const std::string& name, int usbMicros, std::size_t macros, std::size_t actions, std::string& error) {
        char pattern[] = "/tmp/kv-proof-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return Fail(error, "no temporary folder");
        folder_ = pattern;
        macros_ = macros;
        actions_ = actions;
        const std::string channel = "kv-proof-" + name + "-" + std::to_string(getpid());
        setenv("KELVANE_VK_STATE", (folder_ / "vk.state").c_str(), 1);
        setenv("KELVANE_VK_CHANNEL", channel.c_str(), 1);
        setenv("KELVANE_VK_USB_US", std::to_string(usbMicros).c_str(), 1);
        vk_ = qvx::ControlClient(channel);
        kv::SetDeviceEventSink(&sink_);
        std::string bindError;
        const kv::BindResult bound = kv::BindHidService([&bindError](const kv::BindResult& r) { bindError = kv::DescribeBindResult(r); });
        if (bound.status != kv::BindStatus::Bound) return Fail(error, "the library could not be bound: " + bindError);
        workers_.MarkFirstAttachHandled();
        workers_.WaitIdle();  // the attach handling reads the keyboard first, as in the program
        uint8_t info[kv::kInfoSize] = {};
        if (kv::ReadInfo(info) != kv::kResultSuccess) return Fail(error, "the keyboard does not answer");
        capacity_ = info[kv::kInfoCapacityOffset] * std::size_t{128};
        if (kv::ReadDefaultKeyTable(defaults_.data()) != kv::kResultSuccess) return Fail(error, "no default key table");
        FillProfile(data, generation_, macros_, actions_);
        if (!kv::CreateDefaultProfileFile(WorkingFile())) return Fail(error, "the working file cannot be made");
        return true;
    }

    // The next generation of data becomes the working data (as an edit in the window does).
    void Edit() { FillProfile(data, ++generation_, macros_, actions_); }

    // The program's Apply: the working file is saved, then everything is written to the keyboard.
    ApplyOutcome Apply() {
        ApplyOutcome out;
        const Clock::time_point start = Clock::now();
        out.saved = kv::SaveProfileFile(WorkingFile(), data);
        kv::CheckedDataLink link(kv::CommandSetDataLink());
        const kv::ProfileWriteOutcome w = kv::CreateSnapshotAndWrite(data, snapshot_, link, capacity_, defaults_, std::nullopt);
        out.written = w.written;
        out.result = link.FirstFailure();
        out.ms = MillisecondsSince(start);
        return out;
    }

    // Reads the keyboard's macro area and key tables back, as a refresh from the keyboard does; `matches`
    // tells whether what was read is what the keyboard's memory holds.
    ApplyOutcome ReadBack(bool& matches) {
        ApplyOutcome out;
        out.saved = out.written = true;
        std::size_t areaSize = 0;
        {
            std::lock_guard<std::mutex> hold(data.lock);
            areaSize = kv::EncodeMacroArea(data.content.macros, true).size();
        }
        std::vector<uint8_t> memory;
        (void)vk_.Dump("macros " + std::to_string(areaSize), memory);
        std::vector<uint8_t> tables;
        (void)vk_.Dump("keytables", tables);
        const Clock::time_point start = Clock::now();
        std::vector<uint8_t> area(memory.size());
        out.result = kv::ReadMacroArea(area.data(), area.size());
        std::vector<uint8_t> read(3 * kv::kKeyTableSize);
        for (unsigned p = 0; p < 3 && out.result == kv::kResultSuccess; ++p)
            out.result = kv::ReadKeyTable(read.data() + p * kv::kKeyTableSize, p);
        out.ms = MillisecondsSince(start);
        matches = out.result == kv::kResultSuccess && area == memory && read == tables;
        return out;
    }

    // The working file validates and holds exactly the working data.
    bool WorkingFileIntact(std::string& why) {
        const kv::ValidateResult v = kv::ValidateProfileFile(WorkingFile());
        if (v.code != kv::kValidateOk) return Fail(why, "the working file does not validate: " + v.reason);
        std::vector<uint8_t> bytes;
        if (!kv::ReadWholeFile(WorkingFile(), bytes)) return Fail(why, "the working file cannot be read");
        std::vector<uint8_t> expected;
        {
            std::lock_guard<std::mutex> hold(data.lock);
            expected = kv::SerializeProfile(data.content);
        }
        if (bytes != expected) return Fail(why, "the working file is not the data applied");
        return true;
    }

    // The keyboard's memory holds the macro area and the key tables of the last Apply's snapshot.
    bool KeyboardHoldsData(std::string& why) {
        std::vector<uint8_t> area;
        {
            std::lock_guard<std::mutex> hold(data.lock);
            area = kv::EncodeMacroArea(data.content.macros, true);
        }
        std::vector<uint8_t> memory;
        if (!vk_.Dump("macros " + std::to_string(area.size()), memory)) return Fail(why, "the macro area cannot be dumped");
        if (memory != area) return Fail(why, "the keyboard's macro area is not what was applied");
        if (!vk_.Dump("keytables", memory) || memory.size() != 3 * kv::kKeyTableSize) return Fail(why, "the key tables cannot be dumped");
        for (unsigned p = 0; p < 3; ++p) {
            const kv::KeyTableBlock block = kv::BuildKeyTableBlock(snapshot_, p, defaults_);
            if (!std::equal(block.begin(), block.end(), memory.begin() + p * kv::kKeyTableSize))
                return Fail(why, "the keyboard's key table " + std::to_string(p) + " is not what was applied");
        }
        return true;
    }

    // Waits until the device workers' threads (attach handling after a re-plug) have ended.
    void WaitForWorkers() { workers_.WaitIdle(); }

    std::filesystem::path WorkingFile() const { return folder_ / "$Profile0"; }
    const qvx::ControlClient& Vk() const { return vk_; }
    RigHost& Host() { return host_; }
    std::size_t Capacity() const { return capacity_; }

    kv::ProfileData data;

private:
    static bool Fail(std::string& error, const std::string& text) {
        error = text;
        return false;
    }

    std::filesystem::path folder_;
    qvx::ControlClient vk_{"unused"};
    RigHost host_;
    kv::DeviceWorkers workers_;
    RigSink sink_;
    kv::ProfileDataSnapshot snapshot_;
    kv::KeyTableBlock defaults_{};
    std::size_t capacity_ = 0;
    std::size_t macros_ = 0;
    std::size_t actions_ = 0;
    unsigned generation_ = 0;
};

}  // namespace kvproof
