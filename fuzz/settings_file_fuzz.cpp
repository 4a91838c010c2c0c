// Fuzz target: a profile settings file ("UserDengColor_<p>.userd") as the portable INI store and the profile
// settings read and write it. Whatever the file holds, the selected set is one of the ten, a key's colour
// written reads back as written, and writing it changes no other value.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "profiles/profile_settings.h"
#include "profiles/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const std::filesystem::path folder = [] {
        const std::filesystem::path f = std::filesystem::path(std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp") /
                                        ("kv-settings-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(f);
        return f;
    }();
    kv::IniFileStore store;
    kv::ProfileSettings settings(store, folder);
    if (FILE* f = std::fopen(settings.PathOf(0).c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    const int selected = settings.ReadSelectedSet(0);
    if (selected < 0 || selected >= kv::kColorSetCount) std::abort();
    const std::u16string name = settings.ReadSetName(0, 1);
    const kv::KeyColor other = settings.ReadKeyColor(0, 1, 6);
    const kv::SetOptions options = settings.ReadSetOptions(0, 1);
    if (other.color > 0xFFFFFF || options.baseColor > 0xFFFFFF || options.paintColor > 0xFFFFFF) std::abort();

    const kv::KeyColor written{kv::MakeColor(12, 34, 56), 0};
    settings.WriteKeyColor(0, 1, 5, written);
    if (!(settings.ReadKeyColor(0, 1, 5) == written)) std::abort();
    if (settings.ReadSelectedSet(0) != selected || settings.ReadSetName(0, 1) != name ||
        !(settings.ReadKeyColor(0, 1, 6) == other) || !(settings.ReadSetOptions(0, 1) == options))
        std::abort();
    return 0;
}
