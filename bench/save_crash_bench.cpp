// Crash safety of the working profile file: a child process saves the working file over and over with the
// program's own save (SaveProfileFile), alternating between two different contents, and is killed with
// SIGKILL at a random moment. After every kill the file must hold one of the two contents byte for byte
// and validate: never a torn or partly written file.
//   PROOF|R3|<figure>|<goal>|<measured>|PASS or FAIL
// Usage: save_crash_bench [KILLS]   (default 1000)
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "apply_rig.h"
#include "profiles/profile_file.h"

namespace {

// Saves the two contents in turn until killed.
[[noreturn]] void SaveForever(const std::filesystem::path& file, kv::ProfileData& a, kv::ProfileData& b) {
    for (unsigned i = 0;; ++i) (void)kv::SaveProfileFile(file, (i % 2) ? b : a);
}

}  // namespace

int main(int argc, char** argv) {
    const int kills = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    char pattern[] = "/tmp/kv-crash-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::fprintf(stderr, "save_crash_bench: no temporary folder\n");
        return 2;
    }
    const std::filesystem::path folder = pattern;
    const std::filesystem::path file = folder / "$Profile0";

    // Two contents of different sizes: many long macros (about 1 MB) and a few short ones.
    kv::ProfileData large, small;
    kvproof::FillProfile(large, 1, 60, 600);
    kvproof::FillProfile(small, 2, 5, 20);
    const std::vector<uint8_t> largeBytes = kv::SerializeProfile(large.content);
    const std::vector<uint8_t> smallBytes = kv::SerializeProfile(small.content);
    if (!kv::SaveProfileFile(file, small)) {
        std::fprintf(stderr, "save_crash_bench: %s cannot be written\n", file.c_str());
        return 2;
    }

    // The time of one save pair, so that the kills spread over whole saves.
    const auto start = kvproof::Clock::now();
    for (int i = 0; i < 3; ++i) (void)(kv::SaveProfileFile(file, large) && kv::SaveProfileFile(file, small));
    const double pairMs = kvproof::MillisecondsSince(start) / 3;
    const int spreadUs = std::max(1000, static_cast<int>(pairMs * 2000));
    std::printf("one save of %zu bytes and one of %zu take %.1f ms; kills within %d us of the start\n",
                largeBytes.size(), smallBytes.size(), pairMs, spreadUs);

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> moment(0, spreadUs);
    int oldOrNew[2] = {0, 0};
    int torn = 0, invalid = 0, missing = 0;
    for (int k = 0; k < kills; ++k) {
        std::fflush(stdout);
        const pid_t child = fork();
        if (child < 0) {
            std::fprintf(stderr, "save_crash_bench: fork failed\n");
            return 2;
        }
        if (child == 0) SaveForever(file, large, small);
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        std::vector<uint8_t> bytes;
        bool opened = false;
        if (!kv::ReadWholeFile(file, bytes, &opened) || !opened) {
            ++missing;
            continue;
        }
        if (bytes == largeBytes) ++oldOrNew[0];
        else if (bytes == smallBytes) ++oldOrNew[1];
        else ++torn;
        if (kv::ValidateProfileFile(file).code != kv::kValidateOk) ++invalid;
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);

    const bool pass = torn == 0 && invalid == 0 && missing == 0;
    std::printf("PROOF|R3|SIGKILL while saving the working file, %d times|every time the old or the new file, valid|"
                "%d large + %d small, %d torn, %d invalid, %d missing|%s\n",
                kills, oldOrNew[0], oldOrNew[1], torn, invalid, missing, pass ? "PASS" : "FAIL");
    return 0;
}
