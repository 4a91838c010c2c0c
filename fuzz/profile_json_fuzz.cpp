// Fuzz target: importing profile data as JSON text. Whatever the text, nothing throws and nothing reads out
// of bounds; JSON that is accepted becomes a profile data file that validates and loads, and the JSON made
// from it is accepted again as the same data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "profiles/profile_file.h"
#include "profiles/profile_json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    kv::ProfileContent content;
    std::string error;
    if (!kv::ProfileFromJsonText(std::string_view(reinterpret_cast<const char*>(data), size), content, error)) {
        if (error.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    const std::vector<uint8_t> file = kv::SerializeProfile(content);
    if (kv::ValidateProfileBytes(file).code != kv::kValidateOk) std::abort();
    kv::ProfileContent loaded;
    if (!kv::ParseProfileBytes(file, loaded)) std::abort();
    kv::ProfileContent again;
    if (!kv::ProfileFromJsonText(kv::ProfileJsonText(loaded), again, error)) std::abort();
    if (kv::SerializeProfile(again) != file) std::abort();
    return 0;
}
