// Fuzz target: decoding a key table block read from the keyboard against a default key table, then building
// the block back. The input is the read block followed by the default table; missing bytes are zero.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "keys/assignment_key_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    kv::KeyTableBlock read{}, defaults{};
    std::copy_n(data, std::min(size, read.size()), read.begin());
    if (size > read.size()) std::copy_n(data + read.size(), std::min(size - read.size(), defaults.size()), defaults.begin());

    kv::ProfileData profile;
    kv::DecodeKeyTableBlock(read, defaults, profile.content.Table(), 1);
    kv::ProfileDataSnapshot snapshot;
    kv::TakeSnapshot(profile, snapshot);
    const kv::KeyTableBlock built = kv::BuildKeyTableBlock(snapshot, 1, defaults);
    for (std::size_t i = 0; i < kv::kKeyTablePositions; ++i) {
        const kv::ActionCode d = kv::ActionCodeAt(defaults, i);
        // A position tied to no key is written as its default, whatever the slots say.
        if (kv::KeyCodeOfActionCode(d) == 0 && !(kv::ActionCodeAt(built, i) == d)) std::abort();
    }
    return 0;
}
