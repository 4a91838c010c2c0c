// Figures for the device link: exchanges per second and the program's own cost per exchange, then a full
// key and macro write-out against the virtual keyboard with 1 ms per report and direction, compared with the
// physical floor (every report costs one request and one answer of 1 ms each).
//
//   exchange_bench [ROUNDS]     (libquorvex.so beside the program; ROUNDS write-outs, default 5)
//
// Three stages:
//   1. in-process service that answers inside the write: only this program's own work per exchange;
//   2. the virtual keyboard without its timing model: the program, the library and the thread hand-over;
//   3. the virtual keyboard at 1 ms per direction: SendBegin, WriteMacroArea 32640, WriteKeyTable x3, SendEnd.
#include <stdlib.h>
#include <unistd.h>

#include <sys/prctl.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "control_client.h"
#include "device/commands.h"
#include "device/exchange.h"
#include "device/hid_binding.h"
#include "device/report.h"
#include "device/request_id.h"
#include "device/service_link.h"

namespace {

using Clock = std::chrono::steady_clock;
using kv::Report;

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

// --- Stage 1: an in-process service that answers every report at once, on the caller's thread -------------
kv::ServiceCallback g_ctrl = nullptr;
int KV_SERVICE_CALL InstantInit(int) { return 1; }
int KV_SERVICE_CALL InstantOk() { return 1; }
int KV_SERVICE_CALL InstantDebug(int) { return 1; }
int KV_SERVICE_CALL InstantCount(const void*, kv::ServiceCallback, uint32_t, uint32_t, uint32_t) { return 1; }
int KV_SERVICE_CALL InstantDelete(uint32_t) { return 1; }
int KV_SERVICE_CALL InstantWrite(const void*, kv::ServiceCallback, uint32_t, const void*, uint32_t, uint32_t,
                                 uint32_t*) {
    return 1;
}
int KV_SERVICE_CALL InstantWriteOne(const void*, kv::ServiceCallback, uint32_t, const void* data, uint32_t length,
                                    uint32_t, uint32_t) {
    uint8_t answer[kv::kReportSize];
    std::memcpy(answer, data, std::min<std::size_t>(length, sizeof answer));
    answer[kv::kStatusByte] = 0;
    const kv::ServiceRequestRecord record{kv::kTagCtrl, static_cast<uint32_t>(sizeof answer), answer, nullptr};
    const kv::ServiceNotification n{kv::kNotifyData, 0, &record};
    if (g_ctrl != nullptr) (void)g_ctrl(&n);
    return 1;
}
int KV_SERVICE_CALL InstantStatusGet(const void*, kv::ServiceCallback, uint32_t, void*, uint32_t, uint32_t, uint32_t*) {
    return 1;
}
int KV_SERVICE_CALL InstantAsyncRead(const void*, kv::ServiceCallback callback, uint32_t tag, uint32_t,
                                     uint32_t* handle) {
    if (tag == kv::kTagCtrl) g_ctrl = callback;
    *handle = tag;
    return 1;
}

kv::HidServiceApi InstantService() {
    kv::HidServiceApi api;
    api.Init = &InstantInit;
    api.End = &InstantOk;
    api.Debug = &InstantDebug;
    api.RequestGetDeviceCount = &InstantCount;
    api.DeleteRequestFromUnitId = &InstantDelete;
    api.DeleteRequestFromHandle = &InstantDelete;
    api.RequestWrite = &InstantWrite;
    api.RequestWriteOne = &InstantWriteOne;
    api.RequestStatusWrite = &InstantWrite;
    api.RequestStatusGet = &InstantStatusGet;
    api.RequestAsyncRead = &InstantAsyncRead;
    api.RequestStatusSetFeature = &InstantWrite;
    return api;
}

// Exchanges of one report, timed as a whole; returns microseconds per exchange.
double TimeExchanges(int count) {
    uint8_t info[kv::kInfoSize];
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        if (kv::ReadInfo(info) != kv::kResultSuccess) {
            std::fprintf(stderr, "exchange_bench: ReadInfo failed\n");
            std::exit(1);
        }
    }
    return Micros(Clock::now() - start) / count;
}

struct WriteOut {
    double micros = 0;
    int reports = 0;
};

// The key and macro write-out of Apply: SendBegin, the macro area, three key tables, SendEnd.
WriteOut FullWrite() {
    std::vector<uint8_t> macros(kv::kMacroAreaLimit);
    for (std::size_t i = 0; i < macros.size(); ++i) macros[i] = static_cast<uint8_t>(i * 7);
    uint8_t table[kv::kKeyTableSize];
    for (std::size_t i = 0; i < sizeof table; ++i) table[i] = static_cast<uint8_t>(i);
    const auto start = Clock::now();
    int ok = kv::SendBegin() == kv::kResultSuccess;
    ok &= kv::WriteMacroArea(macros.data(), macros.size()) == kv::kResultSuccess;
    for (unsigned p = 0; p < 3; ++p) ok &= kv::WriteKeyTable(table, p) == kv::kResultSuccess;
    ok &= kv::SendEnd() == kv::kResultSuccess;
    const double micros = Micros(Clock::now() - start);
    if (!ok) {
        std::fprintf(stderr, "exchange_bench: the write-out failed\n");
        std::exit(1);
    }
    const int macroReports = static_cast<int>((macros.size() + kv::kPayloadSize - 1) / kv::kPayloadSize);
    return WriteOut{micros, 1 + macroReports + 3 * 7 + 1};
}

// --- The library alone: the same write and wait, without this program's exchange around it -------------------
std::mutex g_rawMutex;
std::condition_variable g_rawCv;
bool g_rawAnswered = false;
int KV_SERVICE_CALL RawCallback(const kv::ServiceNotification* n) {
    if (n != nullptr && n->kind == kv::kNotifyData) {
        std::lock_guard lock(g_rawMutex);
        g_rawAnswered = true;
        g_rawCv.notify_one();
    }
    return 1;
}

// Presence test, write, wait for the answer: what any program must do per report. Microseconds per exchange.
double TimeRawExchanges(int count) {
    const kv::HidServiceApi& api = kv::ServiceApi();
    uint32_t handle = 0;
    // The program's own "CTRL" subscription is set aside meanwhile so that only this callback runs.
    (void)api.DeleteRequestFromUnitId(kv::AnswerSubscriptionHandle());
    (void)api.RequestAsyncRead(kv::kVendorSelector.bytes, &RawCallback, kv::kTagCtrl,
                               kv::CallRequestId(kv::kVendorSelector, &RawCallback, kv::kTagCtrl), &handle);
    Report request = kv::MakeRequest(kv::CMD_READ_INFO, kv::kInfoSize, 0);
    kv::SealReport(request);
    const uint32_t id = kv::CallRequestId(kv::kVendorSelector, nullptr, 0, request.data(), request.size());
    const uint32_t countId = kv::CallRequestId(kv::kVendorSelector, nullptr, 0);
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        {
            std::lock_guard lock(g_rawMutex);
            g_rawAnswered = false;
        }
        if (api.RequestGetDeviceCount(kv::kVendorSelector.bytes, nullptr, 0, countId, 0) <= 0 ||
            api.RequestWriteOne(kv::kVendorSelector.bytes, nullptr, 0, request.data(), 64, id, 0) <= 0) {
            std::fprintf(stderr, "exchange_bench: the library refused a raw exchange\n");
            std::exit(1);
        }
        std::unique_lock lock(g_rawMutex);
        if (!g_rawCv.wait_for(lock, std::chrono::seconds(2), [] { return g_rawAnswered; })) {
            std::fprintf(stderr, "exchange_bench: no answer to a raw exchange\n");
            std::exit(1);
        }
    }
    const double micros = Micros(Clock::now() - start) / count;
    (void)api.DeleteRequestFromUnitId(handle);
    kv::SubscribeAnswers();
    return micros;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    // Sleeps end as close to their deadline as the system allows (the default slack is 50 us per sleep);
    // the threads the library starts inherit this.
    (void)prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    // Stage 1.
    kv::ResetServiceLink();
    if (kv::BindServiceApi(InstantService(), [](const kv::BindResult&) {}).status != kv::BindStatus::Bound) return 1;
    (void)TimeExchanges(2000);
    const double own = TimeExchanges(100000);
    std::printf("in-process service (answer inside the write): %.2f us per exchange, %.0f exchanges/s\n", own,
                1e6 / own);

    // Stage 2: the virtual keyboard, with a state file and control channel of our own.
    char folder[] = "/tmp/kv-exchange-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) return 1;
    const std::string channel = "kv-exchange-bench-" + std::to_string(getpid());
    setenv("KELVANE_VK_STATE", (std::string(folder) + "/vk.state").c_str(), 1);
    setenv("KELVANE_VK_CHANNEL", channel.c_str(), 1);
    setenv("KELVANE_VK_USB_US", "0", 1);
    kv::ResetServiceLink();
    const kv::BindResult bound = kv::BindHidService([](const kv::BindResult& r) {
        std::fprintf(stderr, "exchange_bench: %s\n", kv::DescribeBindResult(r).c_str());
    });
    if (bound.status != kv::BindStatus::Bound) return 1;
    const qvx::ControlClient vk(channel);
    (void)TimeExchanges(500);
    std::vector<double> linkedRuns, linkedRawRuns;
    for (int i = 0; i < 5; ++i) {
        linkedRuns.push_back(TimeExchanges(4000));
        linkedRawRuns.push_back(TimeRawExchanges(4000));
    }
    const double linked = Median(linkedRuns);
    const double linkedRaw = Median(linkedRawRuns);
    std::printf("virtual keyboard, no timing model:            %.2f us per exchange, %.0f exchanges/s\n", linked,
                1e6 / linked);
    std::printf("  the library alone (count, write, wait):     %.2f us per exchange -> this program adds %.2f us\n",
                linkedRaw, linked - linkedRaw);

    // Stage 3.
    if (!vk.SetUsbMicros(1000)) {
        std::fprintf(stderr, "exchange_bench: the virtual keyboard does not take its timing model\n");
        return 1;
    }
    // Alternated, so that a change in the machine's load reaches both figures alike.
    std::vector<double> timedRuns, rawRuns;
    for (int i = 0; i < 5; ++i) {
        timedRuns.push_back(TimeExchanges(100));
        rawRuns.push_back(TimeRawExchanges(100));
    }
    const double timed = Median(timedRuns);
    const double timedRaw = Median(rawRuns);
    std::printf("virtual keyboard, 1 ms per direction:         %.1f us per exchange (floor 2000 us), %.0f exchanges/s\n",
                timed, 1e6 / timed);
    std::printf("  the library alone (count, write, wait):     %.1f us per exchange -> this program adds %.1f us\n",
                timedRaw, timed - timedRaw);

    std::vector<double> measured;
    int reports = 0;
    for (int i = 0; i < rounds; ++i) {
        const WriteOut w = FullWrite();
        measured.push_back(w.micros);
        reports = w.reports;
    }
    const double median = Median(measured);
    const double floorUs = reports * 2.0 * 1000.0;
    const double endPauseUs = 10000.0;
    const double withoutPause = median - endPauseUs;
    std::printf("\nfull write-out (SendBegin, WriteMacroArea 32640, WriteKeyTable x3, SendEnd), median of %d:\n",
                rounds);
    std::printf("  reports                 %d\n", reports);
    std::printf("  measured                %.1f ms\n", median / 1000.0);
    std::printf("  SendEnd's fixed pause   %.1f ms (left out below)\n", endPauseUs / 1000.0);
    std::printf("  physical floor          %.1f ms (%d reports x 2 x 1 ms)\n", floorUs / 1000.0, reports);
    std::printf("  ratio                   %.4f (measured - pause) / floor\n", withoutPause / floorUs);
    std::printf("  overhead                %.2f %% of the floor, %.1f us per report\n",
                100.0 * (withoutPause - floorUs) / floorUs, (withoutPause - floorUs) / reports);
    std::printf("  ratio with the pause    %.4f measured / (floor + pause)\n", median / (floorUs + endPauseUs));
    // One line for scripts that collect figures: "figure <name> <value>".
    std::printf("figure apply_ratio %.4f\nfigure apply_ms %.1f\nfigure apply_floor_ms %.1f\n",
                median / (floorUs + endPauseUs), median / 1000.0, (floorUs + endPauseUs) / 1000.0);
    // This program's own work per report does not depend on the timing model or the library: stage 1 measures it
    // alone. The differences of stages 2 and 3 add the machine's scheduling noise to it.
    const double ownPerReport = own;
    const double libraryAlone = reports * timedRaw + endPauseUs;
    std::printf("  the library alone        %.1f ms for %d reports at its measured %.1f us, plus the pause\n",
                libraryAlone / 1000.0, reports, timedRaw);
    std::printf("  this program's own work  %.2f ms = %.3f %% of the floor (%d reports x %.2f us, from stage 1)\n",
                reports * ownPerReport / 1000.0, 100.0 * reports * ownPerReport / floorUs, reports, ownPerReport);
    std::printf("  the rest of the overhead is the virtual keyboard's timing: its sleeps end late on a busy machine\n");

    (void)vk.SetUsbMicros(0);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
