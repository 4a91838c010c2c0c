// The fault matrix: the program's Apply against the virtual keyboard while one fault at a time is injected
// through its control channel (lost answers, wrong echoes, failure statuses, refused writes, answers later
// than the answer wait, stray reports, a detach in the middle, a second thread exchanging, bank switches).
// For each: the result the device link promises, the time it took against its bound, the working file
// intact, and a normal Apply that succeeds once the fault has cleared. One line per fault:
//   PROOF|R2|<fault>|<goal>|<measured>|PASS or FAIL
// Usage: fault_matrix_bench [ROW...]   (no row: all of them; --list names them)
// Every row runs on a keyboard of its own; a row that hangs is ended by the watchdog and fails.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "apply_rig.h"
#include "device/result_text.h"

namespace {

using kvproof::ApplyOutcome;
using kvproof::ApplyRig;
using kvproof::Clock;

constexpr int kUsbMicros = 1000;         // a full-speed interrupt endpoint
constexpr std::size_t kMacros = 10;      // about 100 reports in all
constexpr std::size_t kActions = 100;
constexpr double kFailedExchangeMs = 3 * 1000 + 2 * 10;  // three answer waits and two pauses
constexpr double kWritesInApply = 6;     // begin, macro area, three key tables, end: each stops at its first failure

// What a fault's helper does while the Apply runs; it ends when `done` is set.
using During = std::function<void(ApplyRig&, const std::atomic<bool>& done, std::string& note)>;

struct Row {
    const char* id;
    const char* fault;               // control command set before the Apply, or null
    During during;                   // or empty
    std::vector<int> promised;       // the Apply's first failing result (1: everything succeeded)
    double extraMs;                  // what the fault may add to a normal Apply's time
    bool dataArrives;                // the keyboard must hold the data after the faulty Apply itself
    int drainMs;                     // answers still on their way after the fault is cleared
    bool reads = false;              // the keyboard is read back instead of written
    int bankSwitches = 0;            // switches the program must have seen, and the indicator follow
};

std::string ResultName(int r) {
    return std::to_string(r) + " (" + kv::DescribeResult(r) + ")";
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Sleeps up to ms, in short steps, while the Apply has not ended.
void Wait(const std::atomic<bool>& done, int ms) {
    for (int waited = 0; waited < ms && !done.load(); waited += 5) SleepMs(5);
}

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = {
        {"no fault", nullptr, {}, {1}, 0, true, 0},
        {"one answer dropped", "fault drop 1", {}, {1}, 1000 + 10, true, 0},
        {"every answer dropped", "fault drop always", {}, {kv::kResultNoAnswer}, kWritesInApply * kFailedExchangeMs, false, 0},
        {"wrong echo once", "fault echo 1", {}, {1}, 10, true, 0},
        {"wrong echo always", "fault echo always", {}, {kv::kResultNoAnswer}, kWritesInApply * 3 * 12, false, 0},
        {"status FE once", "fault status FE 1", {}, {1}, 10, true, 0},
        {"status FE always", "fault status FE always", {}, {kv::kResultStatusFE}, kWritesInApply * 3 * 12, false, 0},
        {"status FF once", "fault status FF 1", {}, {1}, 10, true, 0},
        {"status FF always", "fault status FF always", {}, {kv::kResultStatusFF}, kWritesInApply * 3 * 12, false, 0},
        {"one write refused", "fault refuse 1", {}, {kv::kResultWriteRefused}, 0, false, 0},
        {"every write refused", "fault refuse always", {}, {kv::kResultWriteRefused}, 0, false, 0},
        // Answers 1500 ms late for the first 3.5 s of the Apply: each attempt's wait runs out first.
        {"answers later than the answer wait", "fault delay 1500",
         [](ApplyRig& rig, const std::atomic<bool>& done, std::string&) {
             Wait(done, 3500);
             (void)rig.Vk().Command("fault delay 0");
         },
         {1, kv::kResultNoAnswer}, 3500 + kWritesInApply * kFailedExchangeMs, false, 1600},
        {"answers later than the answer wait, reading", "fault delay 1500",
         [](ApplyRig& rig, const std::atomic<bool>& done, std::string&) {
             Wait(done, 3500);
             (void)rig.Vk().Command("fault delay 0");
         },
         {1, kv::kResultNoAnswer}, 3500 + 4 * kFailedExchangeMs, false, 1600, true},
        {"stray reports during the Apply", nullptr,
         [](ApplyRig& rig, const std::atomic<bool>& done, std::string&) {
             while (!done.load()) {
                 (void)rig.Vk().SendStray(3);
                 Wait(done, 30);
             }
         },
         {1}, 2000, true, 50},
        {"keyboard detached in the middle", nullptr,
         [](ApplyRig& rig, const std::atomic<bool>& done, std::string& note) {
             Wait(done, 80);
             if (done.load()) note = "the Apply ended before the detach";
             (void)rig.Vk().Detach();
         },
         {kv::kResultNoDevice, kv::kResultWriteRefused, kv::kResultNoAnswer}, 1000 + 2 * 10 + 100, false, 50},
        // A second thread reads the information block meanwhile, as the attach handling and the lighting
        // panel do: each read must get its own answer.
        {"two threads exchanging at once", nullptr,
         [](ApplyRig& rig, const std::atomic<bool>& done, std::string& note) {
             std::vector<uint8_t> expected;
             (void)rig.Vk().Dump("info", expected);
             for (int i = 0; i < 3; ++i) {  // all three, even when the Apply has ended first
                 Wait(done, 40);
                 uint8_t info[kv::kInfoSize] = {};
                 const int r = kv::ReadInfo(info);
                 if (r != kv::kResultSuccess) note += "a side read failed with " + ResultName(r) + "; ";
                 else if (std::vector<uint8_t>(info, info + kv::kInfoSize) != expected) note += "a side read got another answer; ";
             }
         },
         {1}, 3 * 2 * (1001 + 10), true, 0},
        {"bank switches during the Apply", nullptr,
         [](ApplyRig& rig, const std::atomic<bool>& done, std::string&) {
             for (int i = 0; i < 3; ++i) {
                 Wait(done, 40);
                 (void)rig.Vk().SwitchBank();
             }
         },
         {1}, 200, true, 0, false, 3},
    };
    return rows;
}

bool Promised(const Row& row, int result) {
    return std::find(row.promised.begin(), row.promised.end(), result) != row.promised.end();
}

std::string Seconds(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", ms / 1000);
    return text;
}

// Runs one row on a fresh keyboard; prints its line. False when it did not meet its goal.
bool RunRow(const Row& row, int index) {
    ApplyRig rig;
    std::string error;
    if (!rig.Start("r" + std::to_string(index), kUsbMicros, kMacros, kActions, error)) {
        std::printf("PROOF|R2|%s|-|could not start: %s|FAIL\n", row.id, error.c_str());
        return false;
    }
    // A normal Apply first: the time the fault's bound is added to.
    const ApplyOutcome normal = rig.Apply();
    if (!normal.Ok()) {
        std::printf("PROOF|R2|%s|-|the Apply without fault failed: %s|FAIL\n", row.id, ResultName(normal.result).c_str());
        return false;
    }
    const double boundMs = normal.ms * 2 + row.extraMs + 500;  // room for a loaded machine

    // No hang: a row that overruns its bound by far ends the program.
    std::atomic<bool> rowDone{false};
    std::thread watchdog([&] {
        const Clock::time_point start = Clock::now();
        while (!rowDone.load()) {
            if (kvproof::MillisecondsSince(start) > boundMs + 60000) {
                std::printf("PROOF|R2|%s|no hang|still running after %s|FAIL\n", row.id, Seconds(boundMs + 60000).c_str());
                std::fflush(stdout);
                _exit(3);
            }
            SleepMs(50);
        }
    });

    if (!row.reads) rig.Edit();
    std::vector<std::string> problems;
    if (row.fault != nullptr && !rig.Vk().Command(row.fault).ok) problems.push_back("the fault could not be set");
    std::atomic<bool> applyDone{false};
    std::string note;
    std::thread helper;
    if (row.during) helper = std::thread([&] { row.during(rig, applyDone, note); });
    bool readMatches = false;
    const ApplyOutcome faulty = row.reads ? rig.ReadBack(readMatches) : rig.Apply();
    applyDone.store(true);
    if (helper.joinable()) helper.join();

    std::string why;
    const bool fileIntact = rig.WorkingFileIntact(why);
    if (!fileIntact) problems.push_back(why);
    if (!faulty.saved) problems.push_back("the working file was not saved");
    if (!Promised(row, faulty.result)) problems.push_back("result " + ResultName(faulty.result) + " is not one promised");
    if (faulty.ms > boundMs) problems.push_back("took longer than " + Seconds(boundMs));
    if (row.dataArrives && faulty.result == kv::kResultSuccess && !rig.KeyboardHoldsData(why)) problems.push_back(why);
    if (row.reads) {
        if (faulty.result == kv::kResultSuccess && !readMatches) problems.push_back("reported success but read other data than the keyboard holds");
    } else if (faulty.result == kv::kResultSuccess && !rig.KeyboardHoldsData(why)) {
        problems.push_back("reported success but " + why);
    }
    if (!note.empty()) problems.push_back(note);
    if (row.bankSwitches > 0) {
        std::vector<uint8_t> bank;
        if (rig.Host().bankSwitches.load() != row.bankSwitches)
            problems.push_back(std::to_string(rig.Host().bankSwitches.load()) + " of " + std::to_string(row.bankSwitches) +
                               " bank switches reached the program");
        const uint8_t shown = row.bankSwitches % 2 ? 0x03 : 0x02;  // bit 0: bank B
        if (!rig.Vk().Dump("bank", bank) || bank.size() < 2 || bank[1] != shown)
            problems.push_back("the bank indicator does not show the bank the program shows");
    }

    // The fault clears: a normal Apply of new data succeeds and reaches the keyboard.
    (void)rig.Vk().ClearFaults();
    (void)rig.Vk().Attach();
    SleepMs(row.drainMs);
    rig.WaitForWorkers();
    rig.Edit();
    const ApplyOutcome after = rig.Apply();
    bool recovered = after.Ok() && rig.KeyboardHoldsData(why) && rig.WorkingFileIntact(why);
    if (!recovered) problems.push_back("the next Apply failed: " + (after.Ok() ? why : ResultName(after.result)));
    std::string mismatches;
    if (rig.Vk().StatusValue("request-id-mismatches", mismatches) && mismatches != "0")
        problems.push_back(mismatches + " request id mismatches");
    rowDone.store(true);
    watchdog.join();

    std::string goal = "result ";
    for (std::size_t i = 0; i < row.promised.size(); ++i) goal += (i ? " or " : "") + std::to_string(row.promised[i]);
    goal += ", within " + Seconds(boundMs) + ", file intact, next Apply ok";
    std::string measured = "result " + ResultName(faulty.result) + " in " + Seconds(faulty.ms) + ", file " +
                           (fileIntact ? "intact" : "damaged") + ", next Apply " + (recovered ? "ok" : "failed");
    for (const std::string& p : problems) measured += "; " + p;
    std::printf("PROOF|R2|%s|%s|%s|%s\n", row.id, goal.c_str(), measured.c_str(), problems.empty() ? "PASS" : "FAIL");
    std::fflush(stdout);
    return problems.empty();
}

}  // namespace

int main(int argc, char** argv) {
    const auto& rows = Rows();
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const Row& r : rows) std::printf("%s\n", r.id);
        return 0;
    }
    bool allPassed = true;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        bool chosen = argc == 1;
        for (int a = 1; a < argc; ++a) chosen = chosen || rows[i].id == std::string(argv[a]);
        if (chosen) allPassed = RunRow(rows[i], static_cast<int>(i)) && allPassed;
    }
    return allPassed ? 0 : 1;
}
