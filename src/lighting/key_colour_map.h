// The per-key colour map of the custom effect: for each profile 126 LED slots of red, green, blue and a
// follow flag per key (1 = the key takes the set's base colour), painted from the active one of ten named
// colour sets kept in the profile's settings file. The keyboard holds each profile's map in its colour area
// (profile × 512 + LED × 3); every change reaches the keyboard and the settings file at once.
//
// Runs on one thread (the main window's, or kvtool's). Maps travel to the page of the current profile
// (app/current_profile.h), as the keyboard's colour command addresses it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "lighting/led_numbers.h"
#include "lighting/lighting_record.h"
#include "profiles/profile_settings.h"

namespace kv {

inline constexpr int kMapReportKeys = 18;  // LED slots per colour report (54 bytes)
inline constexpr int kMapReports = 8;      // key numbers 0, 18, ... 126; slots past 125 go as zeros
inline constexpr int kToolPaint = 0;       // paints with the paint colour, the key keeps its own colour
inline constexpr int kToolFollow = 1;      // paints with the base colour, the key follows it

using ColourPage = std::array<uint32_t, kLedCount>;

// SendBegin; eight WriteKeyColors of 18 slots at key numbers 0, 18, ... 126 of the current profile's page;
// SendEnd. The first failing write's result, or 1.
[[nodiscard]] int SendColourPage(const ColourPage& colours);
// The same on the page of the profile given, whichever profile is current.
[[nodiscard]] int SendColourPage(const ColourPage& colours, int profile);

class KeyColourMap {
public:
    explicit KeyColourMap(ProfileSettings& settings) : settings_(settings) {}

    // The profile's selected set: its options, every stored key's colour and follow flag; the set names.
    // Then the whole map is sent when `send` is set.
    int LoadActiveSet(int profile, bool send = true);
    // Until the next LoadActiveSet no set is loaded: the edits below change nothing, so that a set is never
    // written over with what another profile's set held. A map starts without one.
    void Forget() { loaded_ = false; }
    [[nodiscard]] bool Loaded() const { return loaded_; }
    [[nodiscard]] int SendMap(int profile) {
        return SendColourPage(colours_[Clamp(profile, kLightingProfiles)], static_cast<int>(Clamp(profile, kLightingProfiles)));
    }

    // Paints the key of an LED with the tool's colour: one WriteKeyColors, the slot, the follow flag and the
    // set's entry. Returns kResultNotOffered and does nothing unless effect 20 is selected and a set loaded.
    [[nodiscard]] int PaintKey(int led, bool perKeyEffectSelected);
    // Recolours every following key, writes their entries and the options, sends the map. An unchanged
    // colour does nothing.
    [[nodiscard]] int SetBaseColour(uint32_t colour);
    void SetPaintColour(uint32_t colour);
    void SelectTool(int tool);
    // Writes the selected set, loads it and sends the map.
    [[nodiscard]] int SelectSet(int set);
    void RenameSet(int set, const std::u16string& name);

    [[nodiscard]] int Profile() const { return profile_; }
    [[nodiscard]] int ActiveSet() const { return set_; }
    [[nodiscard]] const SetOptions& Options() const { return options_; }
    [[nodiscard]] const std::u16string& SetName(int set) const { return names_[Clamp(set, kColorSetCount)]; }
    [[nodiscard]] uint32_t Colour(int led) const { return Colour(profile_, led); }
    [[nodiscard]] uint32_t Colour(int profile, int led) const;
    [[nodiscard]] bool Follows(int led) const;

private:
    static std::size_t Clamp(int v, int n) { return v >= 0 && v < n ? static_cast<std::size_t>(v) : 0; }
    void WriteOptions() {
        if (loaded_) settings_.WriteSetOptions(profile_, set_, options_);
    }

    ProfileSettings& settings_;
    bool loaded_ = false;
    int profile_ = 0;
    int set_ = 0;
    SetOptions options_;
    std::array<std::u16string, kColorSetCount> names_{};
    std::array<ColourPage, kLightingProfiles> colours_{};
    std::array<std::array<uint8_t, kLedCount>, kLightingProfiles> follows_{};
};

}  // namespace kv
