// Round trip of one command report through the virtual keyboard (libquorvex.so, loaded like the program
// loads it), with the USB time per report at 0 and at 1000 us (a full-speed interrupt endpoint): shows the
// library's own overhead and how closely it keeps the modelled bus time (ideal: 2000 us per exchange).
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "device/hid_service.h"
#include "device/request_id.h"

namespace {

std::mutex gMu;
std::condition_variable gCv;
int gAnswers = 0;

int KV_SERVICE_CALL Callback(const kv::ServiceNotification* n) {
    if (n->kind == kv::kNotifyData) {
        std::lock_guard<std::mutex> lock(gMu);
        ++gAnswers;
        gCv.notify_all();
    }
    return 1;
}

template <typename F>
F Bind(void* lib, const char* name) {
    return reinterpret_cast<F>(dlsym(lib, name));
}

}  // namespace

int main() {
    const auto folder = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    const std::string state = "/tmp/kv-bench-" + std::to_string(getpid()) + ".state";
    setenv("KELVANE_VK_STATE", state.c_str(), 1);
    setenv("KELVANE_VK_CHANNEL", ("kv-bench-" + std::to_string(getpid())).c_str(), 1);
    void* lib = dlopen((folder / "libquorvex.so").c_str(), RTLD_NOW);
    if (lib == nullptr) {
        std::fprintf(stderr, "cannot load libquorvex.so: %s\n", dlerror());
        return 1;
    }
    auto init = Bind<kv::FnInit>(lib, "Init");
    auto end = Bind<kv::FnEnd>(lib, "End");
    auto asyncRead = Bind<kv::FnRequestAsyncRead>(lib, "RequestAsyncRead");
    auto writeOne = Bind<kv::FnRequestWriteOne>(lib, "RequestWriteOne");
    const kv::Selector vendor = kv::MakeSelector(kv::kVendorCollection);

    std::array<uint8_t, 64> r{};
    r[0] = 4;
    r[3] = 3;
    r[4] = 44;
    unsigned sum = 0;
    for (int i = 3; i < 64; ++i) sum += r[i];
    r[1] = static_cast<uint8_t>(sum);
    r[2] = static_cast<uint8_t>(sum >> 8);
    const uint32_t id = kv::CallRequestId(vendor, nullptr, 0, r.data(), r.size());

    std::printf("%-10s %8s %10s %10s %10s\n", "usb-us", "count", "mean-us", "p50-us", "p99-us");
    for (const char* usb : {"0", "1000"}) {
        setenv("KELVANE_VK_USB_US", usb, 1);
        if (init(0) <= 0) return 1;
        uint32_t handle = 0;
        (void)asyncRead(vendor.bytes, &Callback, kv::kTagCtrl, kv::CallRequestId(vendor, &Callback, kv::kTagCtrl),
                        &handle);
        const int count = 500;
        std::vector<double> micros;
        for (int i = 0; i < count; ++i) {
            const auto start = std::chrono::steady_clock::now();
            std::unique_lock<std::mutex> lock(gMu);
            const int before = gAnswers;
            lock.unlock();
            if (writeOne(vendor.bytes, nullptr, 0, r.data(), 64, id, 0) <= 0) return 1;
            lock.lock();
            gCv.wait(lock, [before] { return gAnswers > before; });
            micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        }
        (void)end();
        std::sort(micros.begin(), micros.end());
        double mean = 0;
        for (double m : micros) mean += m;
        mean /= micros.size();
        std::printf("%-10s %8d %10.1f %10.1f %10.1f\n", usb, count, mean, micros[micros.size() / 2],
                    micros[micros.size() * 99 / 100]);
    }
    std::filesystem::remove(state);
    return 0;
}
