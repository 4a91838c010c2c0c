// Soak: many Applies in one process against the virtual keyboard, with a random fault injected now and then
// (lost answers, wrong echoes, failure statuses, refused writes, late answers, stray reports, detach in the
// middle, bank switches, a second thread exchanging). A faulty Apply may fail; the next one, with the fault
// cleared, must succeed. The process's memory, open descriptors and threads are taken from /proc after a
// warm-up and at the end: they must stay flat.
//   PROOF|R6|<figure>|<goal>|<measured>|PASS or FAIL
// Usage: soak_bench [APPLIES] [FAULT PERCENT]   (default 10000 and 5)
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

#include "apply_rig.h"

namespace {

using kvproof::ApplyOutcome;
using kvproof::ApplyRig;

enum class Fault { DropOne, EchoOne, StatusFE, StatusFF, RefuseOne, LateAnswer, Stray, Detach, Bank, SideReads, Count };

constexpr const char* kFaultNames[] = {"one answer dropped", "wrong echo",    "status FE",  "status FF",  "write refused",
                                       "late answer",        "stray reports", "detach",     "bank switch", "second thread"};
static_assert(std::size(kFaultNames) == static_cast<std::size_t>(Fault::Count));

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Sets the fault; what must happen during the Apply runs on `helper`.
void Inject(ApplyRig& rig, Fault f, std::mt19937& random, std::thread& helper) {
    const auto& vk = rig.Vk();
    switch (f) {
        case Fault::DropOne: (void)vk.DropAnswers(1); break;
        case Fault::EchoOne: (void)vk.WrongEcho(1); break;
        case Fault::StatusFE: (void)vk.FailStatus(0xFE, 1 + static_cast<int>(random() % 3)); break;
        case Fault::StatusFF: (void)vk.FailStatus(0xFF, 1 + static_cast<int>(random() % 3)); break;
        case Fault::RefuseOne: (void)vk.RefuseWrites(1); break;
        case Fault::LateAnswer:
            (void)vk.DelayAnswers(1200);
            helper = std::thread([&vk] {
                SleepMs(100);
                (void)vk.DelayAnswers(0);
            });
            break;
        case Fault::Stray: (void)vk.SendStray(1 + static_cast<int>(random() % 5)); break;
        case Fault::Detach: {
            const int after = static_cast<int>(random() % 15);
            helper = std::thread([&vk, after] {
                SleepMs(after);
                (void)vk.Detach();
            });
            break;
        }
        case Fault::Bank: {
            const int after = static_cast<int>(random() % 15);
            helper = std::thread([&vk, after] {
                SleepMs(after);
                (void)vk.SwitchBank();
            });
            break;
        }
        case Fault::SideReads:
            helper = std::thread([] {
                uint8_t info[kv::kInfoSize] = {};
                for (int i = 0; i < 2; ++i) (void)kv::ReadInfo(info);
            });
            break;
        case Fault::Count: break;
    }
}

void Clear(ApplyRig& rig, Fault f) {
    (void)rig.Vk().ClearFaults();
    if (f == Fault::Detach) (void)rig.Vk().Attach();
    if (f == Fault::LateAnswer) SleepMs(1300);  // the late answers still on their way arrive first
    rig.WaitForWorkers();
}

std::string Mb(long kb) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", kb / 1024.0);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const int applies = argc > 1 ? std::max(20, std::atoi(argv[1])) : 10000;
    const int percent = argc > 2 ? std::clamp(std::atoi(argv[2]), 0, 100) : 5;
    ApplyRig rig;
    std::string error;
    if (!rig.Start("soak", 0, 3, 20, error)) {
        std::fprintf(stderr, "soak_bench: %s\n", error.c_str());
        return 2;
    }
    std::mt19937 random(20261211);
    // The warm-up lets the keyboard's own log (this process holds the virtual keyboard) reach its
    // 4000-line cap, so that the figures compare the Applies alone.
    const int warmUp = std::min(200, applies / 5);
    kvproof::ProcessFigures start{};
    int faulty = 0, faultyFailed = 0, unclearedFailures = 0, wrongData = 0;
    int byFault[static_cast<int>(Fault::Count)] = {};
    bool lastWasFaulty = false;
    const auto began = kvproof::Clock::now();
    for (int i = 0; i < applies; ++i) {
        if (i == warmUp) {
            rig.WaitForWorkers();
            start = kvproof::MeasureProcess();
        }
        rig.Edit();
        // Never two faults in a row: the Apply after a fault shows whether it cleared.
        const bool inject = i >= warmUp && !lastWasFaulty && static_cast<int>(random() % 100) < percent;
        Fault fault = Fault::Count;
        std::thread helper;
        if (inject) {
            fault = static_cast<Fault>(random() % static_cast<unsigned>(Fault::Count));
            ++byFault[static_cast<int>(fault)];
            Inject(rig, fault, random, helper);
        }
        const ApplyOutcome out = rig.Apply();
        if (helper.joinable()) helper.join();
        if (inject) {
            ++faulty;
            if (!out.Ok()) ++faultyFailed;
            Clear(rig, fault);
        } else if (!out.Ok()) {
            ++unclearedFailures;
            std::printf("Apply %d failed with %d %s\n", i, out.result, lastWasFaulty ? "after a fault" : "without a fault");
        } else if (i % 100 == 0 || lastWasFaulty) {
            std::string why;
            if (!rig.KeyboardHoldsData(why) || !rig.WorkingFileIntact(why)) {
                ++wrongData;
                std::printf("Apply %d: %s\n", i, why.c_str());
            }
        }
        lastWasFaulty = inject;
        if ((i + 1) % std::max(1, applies / 10) == 0) {
            const kvproof::ProcessFigures now = kvproof::MeasureProcess();
            std::printf("%6d Applies, %.0f s: RSS %s, %d descriptors, %d threads\n", i + 1,
                        kvproof::MillisecondsSince(began) / 1000, Mb(now.rssKb).c_str(), now.fds, now.threads);
            std::fflush(stdout);
        }
    }
    rig.WaitForWorkers();
    const kvproof::ProcessFigures end = kvproof::MeasureProcess();
    std::printf("faults:");
    for (int f = 0; f < static_cast<int>(Fault::Count); ++f) std::printf(" %s %d;", kFaultNames[f], byFault[f]);
    std::printf("\n");

    const bool cleared = unclearedFailures == 0 && wrongData == 0;
    std::printf("PROOF|R6|soak: %d Applies, %d%% with a random fault|every failure clears|%d with a fault (%d of them failed), "
                "%d failures that did not clear, %d with wrong data|%s\n",
                applies, percent, faulty, faultyFailed, unclearedFailures, wrongData, cleared ? "PASS" : "FAIL");
    // Noise: the allocator keeps some freed memory; growth that scales with the Applies is what counts.
    const long rssGrowth = end.rssKb - start.rssKb;
    std::printf("PROOF|R6|soak: memory (RSS) after warm-up and at the end|flat (growth < 2 MB)|%s -> %s|%s\n",
                Mb(start.rssKb).c_str(), Mb(end.rssKb).c_str(), rssGrowth < 2048 ? "PASS" : "FAIL");
    std::printf("PROOF|R6|soak: open descriptors|flat|%d -> %d|%s\n", start.fds, end.fds, end.fds <= start.fds ? "PASS" : "FAIL");
    std::printf("PROOF|R6|soak: threads|flat|%d -> %d|%s\n", start.threads, end.threads,
                end.threads <= start.threads ? "PASS" : "FAIL");
    return 0;
}
