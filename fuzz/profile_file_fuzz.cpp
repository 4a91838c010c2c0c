// Fuzz target: validating and loading profile data files. Whatever the bytes, nothing reads or writes out
// of bounds; a file that loads saves to bytes that load to the same data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "profiles/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    const kv::ValidateResult v = kv::ValidateProfileBytes(bytes);
    kv::ProfileContent content;
    const bool parsed = kv::ParseProfileBytes(bytes, content);
    if (v.code == kv::kValidateOk && !parsed) std::abort();  // a valid file always loads
    if (!parsed) return 0;
    const std::vector<uint8_t> saved = kv::SerializeProfile(content);
    if (kv::ValidateProfileBytes(saved).code != kv::kValidateOk) std::abort();
    kv::ProfileContent again;
    if (!kv::ParseProfileBytes(saved, again)) std::abort();
    if (again.macros != content.macros || again.texts != content.texts || again.textTotal != content.textTotal) std::abort();
    if (kv::SerializeProfile(again) != saved) std::abort();
    return 0;
}
