// Profile data file and macro area speed: validate + load + save of the largest profile data file (100
// macros of 2000 actions, 2048 strings) and encode/decode of a full 32640-byte macro area, each against a
// plain copy of the same bytes as the floor.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "device/commands.h"
#include "macros/macro_area.h"
#include "profiles/profile_file.h"

namespace {

using Clock = std::chrono::steady_clock;

// Median of `runs` timings in microseconds.
double Median(int runs, const std::function<void()>& work) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        t.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

void Row(const char* what, double us, double floorUs) {
    std::printf("  %-52s %10.1f us   %6.1fx the floor\n", what, us, floorUs > 0 ? us / floorUs : 0.0);
}

kv::ProfileContent LargestContent() {
    kv::ProfileContent c;
    for (uint16_t id = 1; id <= kv::kMaxMacros; ++id) {
        kv::MacroRecord m = kv::NewMacro(std::u16string(kv::kMacroNameMaxChars, u'm'), id);
        m.isNew = 0;
        m.actionCount = kv::kMacroMaxActions;
        for (std::size_t i = 0; i < kv::kMacroMaxActions; ++i)
            m.actions[i] = {static_cast<uint32_t>(10 * (i % 100)), static_cast<uint16_t>(0x010 + i % 40), static_cast<uint16_t>(i % 2)};
        c.macros.push_back(m);
    }
    for (std::size_t section = 0; section < kv::kSectionCount; ++section) {
        for (std::size_t k = 0; k < kv::kSlotsPerSection; ++k) {
            kv::KeySlot s = kv::ReadSlot(c.Table(), section, k);
            s.type = k % 2 ? kv::ASSIGN_TEXT : kv::ASSIGN_PROGRAM;
            kv::WriteSlot(c.Table(), section, k, s);
            c.SetText(kv::SlotNumber(section, k), std::u16string(259, static_cast<char16_t>(u'a' + k % 26)));
        }
    }
    return c;
}

// 100 macros whose area with names is exactly the largest capacity, 32640 bytes.
std::vector<kv::MacroRecord> FullAreaMacros() {
    std::vector<kv::MacroRecord> list;
    for (uint16_t id = 1; id <= 100; ++id) {
        kv::MacroRecord m = kv::NewMacro(std::u16string(id == 1 ? 22 : 10, u'n'), id);
        m.actionCount = 75;
        for (std::size_t i = 0; i < 75; ++i) m.actions[i] = {40, static_cast<uint16_t>(0x01E + i % 10), static_cast<uint16_t>(i % 2)};
        list.push_back(m);
    }
    return list;
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "kv_profile_bench";
    fs::create_directories(dir);
    const fs::path file = dir / "largest.kvp", copy = dir / "copy.kvp";

    kv::ProfileData data;
    data.content = LargestContent();
    if (!kv::SaveProfileFile(file, data)) {
        std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
        return 1;
    }
    std::vector<uint8_t> bytes;
    (void)kv::ReadWholeFile(file, bytes);
    std::printf("largest profile data file: %zu bytes (100 macros x 2000 actions, 2048 strings of 259 characters)\n",
                bytes.size());

    const int runs = 21;
    const double readFloor = Median(runs, [&] {
        std::vector<uint8_t> b;
        (void)kv::ReadWholeFile(file, b);
    });
    const double writeFloor = Median(runs, [&] { (void)kv::WriteFileReplacing(copy, bytes); });
    const double fileFloor = readFloor + writeFloor;
    const double memFloor = Median(runs, [&] {
        std::vector<uint8_t> b(bytes.size());
        std::memcpy(b.data(), bytes.data(), bytes.size());
        if (b[0] != bytes[0]) std::abort();
    });
    const double validate = Median(runs, [&] {
        if (kv::ValidateProfileFile(file).code != kv::kValidateOk) std::abort();
    });
    kv::ProfileData loaded;
    const double load = Median(runs, [&] {
        if (kv::LoadProfileFile(file, loaded) != kv::LoadResult::Loaded) std::abort();
    });
    const double save = Median(runs, [&] {
        if (!kv::SaveProfileFile(copy, loaded)) std::abort();
    });
    const double parse = Median(runs, [&] {
        kv::ProfileContent c;
        if (!kv::ParseProfileBytes(bytes, c)) std::abort();
    });
    const double serialize = Median(runs, [&] {
        if (kv::SerializeProfile(loaded.content).size() != bytes.size()) std::abort();
    });
    std::printf("median of %d runs; floors: read the file %.1f us, write it beside itself (fsync, rename) %.1f us, "
                "copy in memory %.1f us\n", runs, readFloor, writeFloor, memFloor);
    Row("validate (read + header checks)", validate, readFloor);
    Row("load (read + parse + strings)", load, readFloor);
    Row("save (serialize + write beside + fsync + rename)", save, writeFloor);
    Row("validate + load + save vs. read + write", validate + load + save, fileFloor);
    // The figure: the whole round trip and its floor timed in turn, run after run, so that a change in the
    // machine's load (the fsync above all) reaches both alike; the ratio of their medians.
    std::vector<double> trips, floors;
    const auto timeFloor = [&] {
        floors.push_back(Median(1, [&] {
            std::vector<uint8_t> b;
            (void)kv::ReadWholeFile(file, b);
            (void)kv::WriteFileReplacing(copy, b);
        }));
    };
    const auto timeTrip = [&] {
        trips.push_back(Median(1, [&] {
            if (kv::ValidateProfileFile(file).code != kv::kValidateOk) std::abort();
            if (kv::LoadProfileFile(file, loaded) != kv::LoadResult::Loaded) std::abort();
            if (!kv::SaveProfileFile(copy, loaded)) std::abort();
        }));
    };
    for (int i = 0; i < 2 * runs; ++i) {  // each in turn first
        if (i % 2 == 0) {
            timeFloor();
            timeTrip();
        } else {
            timeTrip();
            timeFloor();
        }
    }
    std::sort(trips.begin(), trips.end());
    std::sort(floors.begin(), floors.end());
    const double trip = trips[trips.size() / 2], tripFloor = floors[floors.size() / 2];
    Row("the same, timed in turn with its floor", trip, tripFloor);
    // One line for scripts that collect figures: "figure <name> <value>".
    std::printf("figure file_ratio %.4f\n", trip / tripFloor);
    Row("parse alone (in memory)", parse, memFloor);
    Row("serialize alone (in memory)", serialize, memFloor);

    const auto macros = FullAreaMacros();
    const auto lengths = kv::MeasureMacroArea(macros);
    if (lengths.withNames != kv::kMacroAreaLimit) {
        std::fprintf(stderr, "area is %zu bytes, expected %zu\n", lengths.withNames, kv::kMacroAreaLimit);
        return 1;
    }
    const std::vector<uint8_t> area = kv::EncodeMacroArea(macros, true);
    const int areaRuns = 201;
    const double areaFloor = Median(areaRuns, [&] {
        std::vector<uint8_t> b(area.size());
        std::memcpy(b.data(), area.data(), area.size());
        if (b[0] != area[0]) std::abort();
    });
    const double encode = Median(areaRuns, [&] {
        if (kv::EncodeMacroArea(macros, true).size() != area.size()) std::abort();
    });
    const double decode = Median(areaRuns, [&] {
        if (kv::DecodeMacroArea(area, u"Macro ").size() != 100) std::abort();
    });
    std::printf("macro area of %zu bytes (100 macros x 75 actions with names); floor = copy of the area: %.2f us\n",
                area.size(), areaFloor);
    Row("encode", encode, areaFloor);
    Row("decode (into 100 records of 16512 bytes)", decode, areaFloor);

    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
