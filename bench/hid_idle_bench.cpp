// What the real library costs while the keyboard is attached and nobody uses it: the hardware backend with
// its shipping timings over the fake HID layer, subscribed like the program (consumer events and the vendor
// collection's answers), left alone. The fake stands in for the system, so the figures are the library's own
// work: CPU time of the process, and how often it looked at the system or woke in a read.
//
//   hid_idle_bench [SECONDS]     (default 60)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "hid/hid_keyboard.h"
#include "support/fake_hid_port.h"

namespace {

double CpuMillis() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

int KV_SERVICE_CALL Ignore(const kv::ServiceNotification*) { return 1; }

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    hidtest::FakeHidPort port;
    port.AddKeyboard("kb-");
    qvx::hid::HidKeyboard library(port.Port());
    if (library.Start() <= 0) {
        std::fprintf(stderr, "hid_idle_bench: the backend did not start\n");
        return 1;
    }
    (void)library.Subscribe(kv::kConsumerCollection, &Ignore, kv::kTagCons);
    (void)library.Subscribe(kv::kVendorCollection, &Ignore, kv::kTagCtrl);
    // Settle: readers open their handles, the first scans run.
    std::this_thread::sleep_for(std::chrono::seconds(1));

    const auto calls0 = port.CallCounts();
    const double cpu0 = CpuMillis();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = CpuMillis() - cpu0;
    const auto calls1 = port.CallCounts();
    library.Stop();

    const long scans = calls1.enumerations - calls0.enumerations;
    const long reads = calls1.reads - calls0.reads;
    std::printf("attached and idle for %d s (consumer and vendor readers)\n", seconds);
    std::printf("  CPU time            %8.1f ms  (%.3f %% of one core)\n", cpu, cpu / (seconds * 10.0));
    std::printf("  enumerations        %8ld      (%.2f per second)\n", scans, static_cast<double>(scans) / seconds);
    std::printf("  reads started       %8ld      (%.2f per second)\n", reads, static_cast<double>(reads) / seconds);
    return 0;
}
