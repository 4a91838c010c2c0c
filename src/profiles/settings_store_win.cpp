// The profile settings store on Windows: the private-profile string functions, one value per call, so
// each value reaches the disk the moment it changes.
#include <windows.h>

#include <string>
#include <vector>

#include "profiles/settings_store.h"

namespace kv {

namespace {

std::wstring Wide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }

class PrivateProfileStore final : public SettingsStore {
public:
    std::u16string Read(const std::filesystem::path& file, std::u16string_view section, std::u16string_view key,
                        std::u16string_view fallback) override {
        const std::wstring f = file.wstring(), s = Wide(section), k = Wide(key), d = Wide(fallback);
        std::vector<wchar_t> buf(1024);
        for (;;) {
            const DWORD n = GetPrivateProfileStringW(s.c_str(), k.c_str(), d.c_str(), buf.data(),
                                                     static_cast<DWORD>(buf.size()), f.c_str());
            if (n + 1 < buf.size() || buf.size() >= (1u << 16)) return std::u16string(buf.data(), buf.data() + n);
            buf.resize(buf.size() * 4);  // the value filled the buffer: ask again with more room
        }
    }
    bool Write(const std::filesystem::path& file, std::u16string_view section, std::u16string_view key,
               std::u16string_view value) override {
        return WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(value).c_str(),
                                          file.wstring().c_str()) != 0;
    }
};

}  // namespace

SettingsStore& PlatformSettingsStore() {
    static PrivateProfileStore store;
    return store;
}

}  // namespace kv
