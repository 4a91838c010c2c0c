// Fuzz target: decoding a macro area read from the keyboard. The records stay within their limits, and
// what was decoded encodes to an area that decodes to the same actions.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "macros/macro_area.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto macros = kv::DecodeMacroArea(std::span<const uint8_t>(data, size), u"Macro ");
    if (macros.size() > kv::kMaxMacros) std::abort();
    for (const kv::MacroRecord& m : macros) {
        if (m.actionCount > kv::kMacroMaxActions || m.Name().size() > kv::kMacroNameMaxChars) std::abort();
    }
    const kv::MacroAreaLengths lengths = kv::MeasureMacroArea(macros);
    if (lengths.withNames > 0xFFFF) return 0;  // no keyboard holds more; the writer refuses it first
    const auto area = kv::EncodeMacroArea(macros, true);
    if (area.size() != lengths.withNames) std::abort();
    const auto back = kv::DecodeMacroArea(area, u"Macro ");
    if (back.size() != macros.size()) std::abort();
    for (std::size_t i = 0; i < back.size(); ++i) {
        if (back[i].actionCount != macros[i].actionCount || back[i].repeat != macros[i].repeat) std::abort();
        for (std::size_t j = 0; j < back[i].actionCount; ++j)
            if (back[i].actions[j].direction != macros[i].actions[j].direction) std::abort();
    }
    return 0;
}
