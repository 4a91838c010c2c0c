// Test harness for the virtual keyboard behind libquorvex.so: loads the library from the test executable's
// folder, gives each test its own state file and control channel, collects what the library delivers to
// the callback, and exchanges command reports the way the program does.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "control_client.h"
#include "device/hid_service.h"
#include "device/request_id.h"

namespace vktest {

using Report = std::array<uint8_t, 64>;

// One notification as the callback saw it, copied out of the library's records.
struct Event {
    uint32_t kind = 0;
    uint32_t tag = 0;
    uint32_t countOrState = 0;
    std::vector<uint8_t> data;
    std::optional<uint16_t> usage;  // consumer subscription only
};

class Inbox {
public:
    static Inbox& Get() {
        static Inbox inbox;
        return inbox;
    }
    static int KV_SERVICE_CALL Callback(const kv::ServiceNotification* n) {
        Event e;
        e.kind = n->kind;
        if (n->request != nullptr) {
            e.tag = n->request->tag;
            e.countOrState = n->request->countOrState;
            if (n->kind == kv::kNotifyData && n->request->data != nullptr)
                e.data.assign(n->request->data, n->request->data + n->request->countOrState);
            if (n->request->consumer != nullptr) {
                const uint16_t* usage = kv::ConsumerUsagePointer(n->request->consumer);
                if (usage != nullptr) e.usage = *usage;
            }
        }
        Get().Push(std::move(e));
        return 1;
    }
    void Push(Event e) {
        std::lock_guard<std::mutex> lock(mu_);
        events_.push_back(std::move(e));
        cv_.notify_all();
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mu_);
        events_.clear();
    }
    // The first event with this kind and tag, removed from the inbox; nothing after the timeout.
    std::optional<Event> Wait(uint32_t kind, uint32_t tag, std::chrono::milliseconds timeout = std::chrono::seconds(3)) {
        std::unique_lock<std::mutex> lock(mu_);
        std::optional<Event> found;
        cv_.wait_for(lock, timeout, [&] {
            for (auto it = events_.begin(); it != events_.end(); ++it) {
                if (it->kind == kind && it->tag == tag) {
                    found = std::move(*it);
                    events_.erase(it);
                    return true;
                }
            }
            return false;
        });
        return found;
    }

private:
    std::mutex mu_;
    std::condition_variable cv_;
    std::deque<Event> events_;
};

inline std::filesystem::path ExecutableFolder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path(); }

// The library, bound by name like the program binds it.
struct Library {
    void* handle = nullptr;
    kv::HidServiceApi api;

    bool Load() {
        handle = dlopen((ExecutableFolder() / "libquorvex.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) return false;
        void** slots[12] = {
            reinterpret_cast<void**>(&api.Init),
            reinterpret_cast<void**>(&api.End),
            reinterpret_cast<void**>(&api.Debug),
            reinterpret_cast<void**>(&api.RequestGetDeviceCount),
            reinterpret_cast<void**>(&api.DeleteRequestFromUnitId),
            reinterpret_cast<void**>(&api.DeleteRequestFromHandle),
            reinterpret_cast<void**>(&api.RequestWrite),
            reinterpret_cast<void**>(&api.RequestWriteOne),
            reinterpret_cast<void**>(&api.RequestStatusWrite),
            reinterpret_cast<void**>(&api.RequestStatusGet),
            reinterpret_cast<void**>(&api.RequestAsyncRead),
            reinterpret_cast<void**>(&api.RequestStatusSetFeature),
        };
        for (int i = 0; i < 12; ++i) {
            *slots[i] = dlsym(handle, kv::kServiceExportNames[i]);
            if (*slots[i] == nullptr) return false;
        }
        return true;
    }
};

// A command report as the program builds it: id 4, command, length, offset, payload, checksum last.
inline Report MakeRequest(uint8_t command, uint8_t length = 0, uint16_t offset = 0, const std::vector<uint8_t>& payload = {}) {
    Report r{};
    r[0] = 4;
    r[3] = command;
    r[4] = length;
    r[5] = static_cast<uint8_t>(offset);
    r[6] = static_cast<uint8_t>(offset >> 8);
    for (std::size_t i = 0; i < payload.size() && i < 56; ++i) r[8 + i] = payload[i];
    unsigned sum = 0;
    for (int i = 3; i < 64; ++i) sum += r[i];
    r[1] = static_cast<uint8_t>(sum);
    r[2] = static_cast<uint8_t>(sum >> 8);
    return r;
}

inline const kv::Selector kVendor = kv::MakeSelector(kv::kVendorCollection);
inline const kv::Selector kConsumer = kv::MakeSelector(kv::kConsumerCollection);
inline const kv::Selector kIndicator = kv::MakeSelector(kv::kIndicatorCollection);

// Each test: its own state file in a temporary folder and its own control channel; the library started
// with Init and subscribed like the program (CONS on the consumer collection, CTRL on the vendor one).
class VirtualKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kvtest-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        static std::atomic<int> counter{0};
        channel_ = "kvtest-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        setenv("KELVANE_VK_STATE", StatePath().c_str(), 1);
        setenv("KELVANE_VK_CHANNEL", channel_.c_str(), 1);
        unsetenv("KELVANE_VK_USB_US");
        ConfigureEnvironment();
        ASSERT_TRUE(lib_.Load()) << dlerror();
        Inbox::Get().Clear();
        Start();
    }
    void TearDown() override {
        if (started_) (void)lib_.api.End();
        unsetenv("KELVANE_VK_ATTACHED");
        unsetenv("KELVANE_VK_MATRIX");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    // Environment a test wants before Init (KELVANE_VK_ATTACHED and the like).
    virtual void ConfigureEnvironment() {}

    void Start() {
        ASSERT_GT(lib_.api.Init(0), 0);
        started_ = true;
        Subscribe(kConsumer, kv::kTagCons, consHandle_);
        Subscribe(kVendor, kv::kTagCtrl, ctrlHandle_);
    }
    void Stop() {
        (void)lib_.api.End();
        started_ = false;
    }
    void Subscribe(const kv::Selector& s, uint32_t tag, uint32_t& handle) {
        const uint32_t id = kv::CallRequestId(s, &Inbox::Callback, tag);
        (void)lib_.api.DeleteRequestFromUnitId(handle);
        (void)lib_.api.RequestAsyncRead(s.bytes, &Inbox::Callback, tag, id, &handle);
    }
    int Write(const Report& r) {
        const uint32_t id = kv::CallRequestId(kVendor, nullptr, 0, r.data(), r.size());
        return lib_.api.RequestWriteOne(kVendor.bytes, nullptr, 0, r.data(), 64, id, 0);
    }
    // Sends a report and waits for the answer on the CTRL subscription.
    std::optional<Report> Exchange(const Report& r, std::chrono::milliseconds timeout = std::chrono::seconds(3)) {
        if (Write(r) <= 0) return std::nullopt;
        auto e = Inbox::Get().Wait(kv::kNotifyData, kv::kTagCtrl, timeout);
        if (!e || e->data.size() != 64) return std::nullopt;
        Report a{};
        std::copy(e->data.begin(), e->data.end(), a.begin());
        return a;
    }
    int DeviceCount(const kv::Selector& s) {
        return lib_.api.RequestGetDeviceCount(s.bytes, nullptr, 0, kv::CallRequestId(s, nullptr, 0), 0);
    }
    std::string StatePath() const { return (dir_ / "vk.state").string(); }

    Library lib_;
    std::filesystem::path dir_;
    std::string channel_;
    bool started_ = false;
    uint32_t consHandle_ = 0;
    uint32_t ctrlHandle_ = 0;
    qvx::ControlClient Vk() const { return qvx::ControlClient(channel_); }
};

}  // namespace vktest
