// The native build's language store: no registry, so the language id lives in memory for the run (guarded
// by its own lock), the system language is English, and files are read with the portable INI reader.
#include <limits.h>
#include <unistd.h>

#include <mutex>

#include "skin/language.h"
#include "skin/language_file.h"
#include "skin/language_store.h"

namespace kv {
namespace {

class MemoryLanguageStore final : public LanguageStore {
public:
    std::optional<uint32_t> ReadStoredLanguageId() override {
        std::lock_guard<std::mutex> lock(mutex_);
        return stored_;
    }
    void WriteStoredLanguageId(uint32_t id) override {
        std::lock_guard<std::mutex> lock(mutex_);
        stored_ = id;
    }
    uint32_t SystemLanguageId() override { return kFallbackLanguageId; }
    std::filesystem::path ProgramDirectory() override {
        char buffer[PATH_MAX];
        const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (length <= 0) {
            std::error_code error;
            return std::filesystem::current_path(error);
        }
        return std::filesystem::path(std::string(buffer, static_cast<std::size_t>(length))).parent_path();
    }
    std::optional<std::wstring> ReadIniValue(const std::filesystem::path& file, std::string_view section,
                                             std::string_view key) override {
        return ReadIniFileValue(file, section, key);
    }

private:
    std::mutex mutex_;
    std::optional<uint32_t> stored_;
};

}  // namespace

LanguageStore& PlatformLanguageStore() {
    static MemoryLanguageStore store;
    return store;
}

}  // namespace kv
