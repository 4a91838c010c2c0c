// Fuzz target: the profile settings files as the portable INI store reads and writes them. Whatever the file
// holds, a value written reads back as written, and writing one value changes no other value.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "profiles/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const std::filesystem::path file =
        std::filesystem::path(std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp") /
        ("kv-settings-fuzz-" + std::to_string(getpid()) + ".userd");
    if (FILE* f = std::fopen(file.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    kv::IniFileStore store;
    // The keys the program uses: a set's colour of one key, its name, and the selected set.
    static const char16_t* const kOthers[][2] = {{u"set1", u"Name"}, {u"Main", u"Select"}, {u"Set10", u"Key5"}};
    std::u16string before[3];
    for (int i = 0; i < 3; ++i) before[i] = store.Read(file, kOthers[i][0], kOthers[i][1], u"-");
    if (!store.Write(file, u"Set1", u"Key5", u"12,34,56,1")) return 0;
    if (store.Read(file, u"SET1", u"key5", u"-") != u"12,34,56,1") std::abort();
    for (int i = 0; i < 3; ++i)
        if (store.Read(file, kOthers[i][0], kOthers[i][1], u"-") != before[i]) std::abort();
    return 0;
}
