#include "kvtool_lighting_commands.h"

#include <cctype>
#include <cstdint>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>

#include "app/current_profile.h"
#include "device/commands.h"
#include "device/result_text.h"
#include "keys/key_catalogue.h"
#include "lighting/key_colour_map.h"
#include "lighting/led_numbers.h"
#include "lighting/lighting_session.h"
#include "skin/language.h"

namespace kv::tool {
namespace {

constexpr const char* kUsage =
    "usage: kvtool lighting show P | effect P N | brightness P B (0-5) | speed P S (0-5 as stored) |\n"
    "       direction P left|right|up|down|out|in | color P R G B | defaults P | keys P FILE\n";

int Usage(const ToolIo& io, const std::string& why) {
    std::fprintf(io.err, "kvtool: %s\n", why.c_str());
    return kExitUsage;
}

int Failed(const ToolIo& io, int result) { return ReportFailure(io, DescribeResult(result), result); }

// A whole decimal number within [low, high], or nothing.
std::optional<int> Number(const std::string& text, int low, int high) {
    if (text.empty() || text.size() > 6) return std::nullopt;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v < low || v > high) return std::nullopt;
    return v;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Utf8(const std::wstring& w) {
    std::string s;
    for (wchar_t wc : w) {
        const auto c = static_cast<uint32_t>(wc);
        if (c < 0x80) {
            s.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            s.push_back(static_cast<char>(0xC0 | c >> 6));
            s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            s.push_back(static_cast<char>(0xE0 | c >> 12));
            s.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return s;
}

// The LED of a key as the map file names it: an LED number, the key's English label as kvtool dump
// prints it (any case; the arrows also as Up, Down, Left, Right), "Fn", or a G-key ("G3", "G3 bank 2").
int LedOfName(const std::string& name) {
    if (const auto n = Number(name, 0, kLedCount - 1)) return IsStoredLed(*n) ? *n : kNoLed;
    const std::string lower = Lower(name);
    if (lower == "fn") return kFnLed;
    if (lower.size() >= 2 && lower[0] == 'g' && lower[1] >= '1' && lower[1] <= '9' &&
        (lower.size() == 2 || lower.rfind(" bank ", 2) == 2))
        return kGKeyLed;
    static const std::map<std::string, KeyCode> kArrows = {{"up", 0x148}, {"down", 0x150}, {"left", 0x14B}, {"right", 0x14D}};
    if (const auto a = kArrows.find(lower); a != kArrows.end()) return LedOfKeyCode(a->second);
    for (int i = 0; i < kPictureKeyCount; ++i) {
        const KeyCode code = PictureKeyCode(i);
        if (Lower(Utf8(CatalogueEntry(KeyIndexOf(code)).label)) == lower) return LedOfKeyCode(code);
    }
    return kNoLed;
}

// "#RRGGBB" → red | green << 8 | blue << 16.
std::optional<uint32_t> ParseHexColour(const std::string& text) {
    if (text.size() != 7 || text[0] != '#') return std::nullopt;
    uint32_t rgb = 0;
    for (std::size_t i = 1; i < 7; ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
        const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (v < 0) return std::nullopt;
        rgb = rgb << 4 | static_cast<uint32_t>(v);
    }
    return MakeColor(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
}

// Reads the map file: every key it names and its colour; keys it does not name are off.
bool ReadMapFile(const std::string& path, std::map<int, uint32_t>& colours, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return why = "cannot read " + path, false;
    nlohmann::json j = nlohmann::json::parse(in, nullptr, false);
    if (j.is_discarded() || !j.is_object()) return why = path + " is not a JSON object of key names and \"#RRGGBB\" colours", false;
    for (const auto& [name, value] : j.items()) {
        const int led = LedOfName(name);
        if (led == kNoLed) return why = "unknown key \"" + name + "\" in " + path, false;
        const auto colour = value.is_string() ? ParseHexColour(value.get<std::string>()) : std::nullopt;
        if (!colour) return why = "the colour of \"" + name + "\" is not \"#RRGGBB\"", false;
        colours[led] = *colour;
    }
    return true;
}

std::string EffectName(int effect) {
    const std::string name = Utf8(LookupModeText(effect, 0));
    return name == "#Error" ? std::string() : name;
}

void PrintRecord(const ToolIo& io, int profile, const LightingSession& s) {
    const LightingRecord& r = s.Working();
    std::fprintf(io.out, "profile      %d\n", profile);
    const std::string name = EffectName(r.effect);
    std::fprintf(io.out, "effect       %u%s%s%s\n", r.effect, name.empty() ? "" : " ", name.c_str(),
                 s.Effects().PositionOf(r.effect) < 0 ? " (not offered)" : "");
    std::fprintf(io.out, "brightness   %u\n", r.brightness);
    std::fprintf(io.out, "speed        %u\n", r.speed);
    const char* word = DirectionWord(r.effect, r.direction);
    std::fprintf(io.out, "direction    %u%s%s\n", r.direction, *word ? " " : "", word);
    std::fprintf(io.out, "color        #%02X%02X%02X%s\n", r.colour & 0xFF, r.colour >> 8 & 0xFF, r.colour >> 16 & 0xFF,
                 r.multicolour ? " multicolor" : "");
    std::fprintf(io.out, "report rate  %u\n", r.reportRate);
}

}  // namespace

int RunLighting(const std::vector<std::string>& args, const ToolIo& io) {
    if (args.size() < 2) {
        std::fputs(kUsage, io.err);
        return kExitUsage;
    }
    const std::string& what = args[0];
    const auto profile = Number(args[1], 0, 2);
    if (!profile) return Usage(io, "profile \"" + args[1] + "\" is not 0, 1 or 2");
    const auto count = [&](std::size_t n) { return args.size() == n + 2; };

    // Every argument is checked before anything reaches the keyboard.
    std::optional<int> value;
    uint8_t direction = 0;
    uint32_t colour = 0;
    std::map<int, uint32_t> map;
    if (what == "show" || what == "defaults") {
        if (!count(0)) return Usage(io, "lighting " + what + " takes only the profile");
    } else if (what == "effect") {
        if (!count(1) || !(value = Number(args[2], 1, 255))) return Usage(io, "lighting effect takes an effect number");
    } else if (what == "brightness" || what == "speed") {
        if (!count(1) || !(value = Number(args[2], 0, 5))) return Usage(io, what + " is a number 0-5");
    } else if (what == "direction") {
        if (!count(1) || !ParseDirectionWord(args[2].c_str(), direction))
            return Usage(io, "direction is left, right, up, down, out or in");
    } else if (what == "color") {
        std::optional<int> c[3];
        for (int i = 0; i < 3 && count(3); ++i) c[i] = Number(args[2 + static_cast<std::size_t>(i)], 0, 255);
        if (!count(3) || !c[0] || !c[1] || !c[2]) return Usage(io, "color takes red, green and blue, each 0-255");
        colour = MakeColor(static_cast<unsigned>(*c[0]), static_cast<unsigned>(*c[1]), static_cast<unsigned>(*c[2]));
    } else if (what == "keys") {
        if (!count(1)) return Usage(io, "lighting keys takes the profile and a JSON file");
        std::string why;
        if (!ReadMapFile(args[2], map, why)) return Usage(io, why);
    } else {
        std::fputs(kUsage, io.err);
        return kExitUsage;
    }

    LightingSession session;
    const int read = session.Read();
    if (read != kResultSuccess) return Failed(io, read == -1 ? kResultNoDevice : read);
    session.Load(*profile);

    int result = kResultSuccess;
    if (what == "show") {
        PrintRecord(io, *profile, session);
        return kExitOk;
    } else if (what == "effect") {
        if (session.Effects().PositionOf(*value) < 0)
            return Usage(io, "the keyboard does not offer effect " + args[2]);
        result = session.SelectEffect(*value);
    } else if (what == "brightness") {
        result = session.SetBrightness(*value);
    } else if (what == "speed") {
        result = session.SetSpeedPosition(kMaxSpeed - *value);
    } else if (what == "direction") {
        result = session.SetDirection(direction);
    } else if (what == "color") {
        result = session.SetColour(colour);
    } else if (what == "defaults") {
        result = session.RestoreDefaults();
    } else if (what == "keys") {
        if (!session.Effects().OffersPerKey()) return Usage(io, "the keyboard offers no per-key colours (effect 20)");
        // The colour command addresses the current profile's page.
        SetCurrentProfile(*profile);
        ColourPage page{};
        for (const auto& [led, c] : map) page[static_cast<std::size_t>(led)] = c;
        result = SendColourPage(page);
    }
    return result == kResultSuccess ? kExitOk : Failed(io, result);
}

}  // namespace kv::tool
