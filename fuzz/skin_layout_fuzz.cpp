// Fuzz target: a skin layout file's rectangles as the portable reader finds them ("[BUTTONINFO] key=x,y,w,h").
// Every value and every line of the file is read as a rectangle too. A rectangle that reads as anything but
// the default reads back the same from its own four numbers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "skin/language_file.h"
#include "skin/skin_rect.h"

namespace {

void Check(std::wstring_view text) {
    const kv::skin::SkinRect r = kv::skin::ParseSkinRect(text);
    if (r == kv::skin::kDefaultSkinRect) return;
    const std::wstring again = std::to_wstring(r.x) + L"," + std::to_wstring(r.y) + L"," + std::to_wstring(r.width) +
                               L"," + std::to_wstring(r.height);
    if (!(kv::skin::ParseSkinRect(again) == r)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::wstring text = kv::DecodeIniBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    static const char* const kKeys[][2] = {
        {"SCREEN", "Main"}, {"SCREEN", "Mask"}, {"BUTTONINFO", "Close"}, {"BUTTONINFO", "Apply"}, {"BUTTONINFO2", "Up"},
    };
    for (const auto& k : kKeys) {
        if (const auto value = kv::FindIniValue(text, k[0], k[1])) Check(*value);
    }
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find(L'\n', pos);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring_view line = std::wstring_view(text).substr(pos, end - pos);
        Check(line);
        const std::size_t eq = line.find(L'=');
        if (eq != std::wstring_view::npos) Check(line.substr(eq + 1));
        pos = end + 1;
    }
    return 0;
}
