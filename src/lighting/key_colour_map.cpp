#include "lighting/key_colour_map.h"

#include "app/current_profile.h"
#include "device/commands.h"
#include "lighting/lighting_session.h"

namespace kv {

int KeyColourMap::LoadActiveSet(int profile, bool send) {
    if (profile < 0 || profile >= kLightingProfiles) return kResultOutOfRange;
    profile_ = profile;
    set_ = settings_.ReadSelectedSet(profile);
    options_ = settings_.ReadSetOptions(profile, set_);
    for (int s = 0; s < kColorSetCount; ++s) names_[static_cast<std::size_t>(s)] = settings_.ReadSetName(profile, s);
    auto& colours = colours_[static_cast<std::size_t>(profile)];
    auto& follows = follows_[static_cast<std::size_t>(profile)];
    for (int i = 0; i < kStoredLedCount; ++i) {
        const int led = StoredLed(i);
        const KeyColor k = settings_.ReadKeyColor(profile, set_, led);
        colours[static_cast<std::size_t>(led)] = k.color;
        follows[static_cast<std::size_t>(led)] = static_cast<uint8_t>(k.followsBase);
    }
    loaded_ = true;
    return send ? SendMap(profile) : kResultSuccess;
}

int SendColourPage(const ColourPage& colours) { return SendColourPage(colours, CurrentProfile()); }

int SendColourPage(const ColourPage& colours, int profile) {
    (void)SendBegin();
    int result = kResultSuccess;
    for (int r = 0; r < kMapReports; ++r) {
        uint8_t bytes[kMapReportKeys * 3] = {};
        for (int i = 0; i < kMapReportKeys; ++i) {
            const int led = r * kMapReportKeys + i;
            if (led < kLedCount) ColourToBytes(colours[static_cast<std::size_t>(led)], bytes + i * 3);
        }
        const int w = WriteKeyColorsOf(profile, bytes, static_cast<int>(sizeof bytes), r * kMapReportKeys);
        if (w != kResultSuccess && result == kResultSuccess) result = w;
    }
    (void)SendEnd();
    return result;
}

int KeyColourMap::PaintKey(int led, bool perKeyEffectSelected) {
    if (!loaded_ || !perKeyEffectSelected || !IsStoredLed(led)) return kResultNotOffered;
    const bool follow = options_.tool == kToolFollow;
    const uint32_t colour = follow ? options_.baseColor : options_.paintColor;
    uint8_t bytes[3];
    ColourToBytes(colour, bytes);
    (void)SendBegin();
    const int result = WriteKeyColorsOf(profile_, bytes, 3, led);
    (void)SendEnd();
    colours_[static_cast<std::size_t>(profile_)][static_cast<std::size_t>(led)] = colour;
    follows_[static_cast<std::size_t>(profile_)][static_cast<std::size_t>(led)] = follow ? 1 : 0;
    settings_.WriteKeyColor(profile_, set_, led, KeyColor{colour, follow ? 1 : 0});
    return result;
}

int KeyColourMap::SetBaseColour(uint32_t colour) {
    colour &= 0xFFFFFF;
    if (!loaded_) return kResultNotOffered;
    if (colour == options_.baseColor) return kResultSuccess;
    options_.baseColor = colour;
    WriteOptions();
    auto& colours = colours_[static_cast<std::size_t>(profile_)];
    const auto& follows = follows_[static_cast<std::size_t>(profile_)];
    for (int i = 0; i < kStoredLedCount; ++i) {
        const int led = StoredLed(i);
        if (follows[static_cast<std::size_t>(led)] == 0) continue;
        colours[static_cast<std::size_t>(led)] = colour;
        settings_.WriteKeyColor(profile_, set_, led, KeyColor{colour, 1});
    }
    return SendMap(profile_);
}

void KeyColourMap::SetPaintColour(uint32_t colour) {
    options_.paintColor = colour & 0xFFFFFF;
    WriteOptions();
}

void KeyColourMap::SelectTool(int tool) {
    options_.tool = tool == kToolFollow ? kToolFollow : kToolPaint;
    WriteOptions();
}

int KeyColourMap::SelectSet(int set) {
    if (set < 0 || set >= kColorSetCount) return kResultOutOfRange;
    if (!loaded_) return kResultNotOffered;
    settings_.WriteSelectedSet(profile_, set);
    return LoadActiveSet(profile_, true);
}

void KeyColourMap::RenameSet(int set, const std::u16string& name) {
    if (set < 0 || set >= kColorSetCount || !loaded_) return;
    names_[static_cast<std::size_t>(set)] = name;
    settings_.WriteSetName(profile_, set, name);
}

uint32_t KeyColourMap::Colour(int profile, int led) const {
    if (led < 0 || led >= kLedCount) return 0;
    return colours_[Clamp(profile, kLightingProfiles)][static_cast<std::size_t>(led)];
}

bool KeyColourMap::Follows(int led) const {
    if (led < 0 || led >= kLedCount) return false;
    return follows_[static_cast<std::size_t>(profile_)][static_cast<std::size_t>(led)] != 0;
}

}  // namespace kv
