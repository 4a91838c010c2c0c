// The lighting of the keyboard as the program edits it: the effect list, a copy of the three lighting
// records, and the working set of the current profile. Every edit writes its field to the keyboard at once
// (SendBegin, WriteLighting of each changed field, SendEnd) and keeps the copy in step. The panel and kvtool
// run the same operations, so they send the same reports in the same order.
//
// Runs on one thread (the main window's, or kvtool's); the operations block on the keyboard's answers.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

#include "lighting/lighting_effects.h"
#include "lighting/lighting_record.h"

namespace kv {

// Results of the lighting operations besides the command results (device/commands.h).
inline constexpr int kResultNotOffered = -210;   // an effect the keyboard does not offer; nothing sent
inline constexpr int kResultOutOfRange = -211;   // a value outside its field's range; nothing sent

// One field write of a transaction: `length` bytes at field position `field` of the profile's record.
struct LightingField {
    int field;
    std::array<uint8_t, kLightingBytes> bytes;
    int length;
};

// SendBegin; WriteLighting of each field at profile × 42 + field; SendEnd. Returns the first failing
// WriteLighting's result, or 1. Fields are sent even when SendBegin failed (the keyboard decides).
[[nodiscard]] int WriteLightingFields(int profile, std::initializer_list<LightingField> fields);
[[nodiscard]] LightingField Field(int field, std::initializer_list<uint8_t> bytes);
[[nodiscard]] LightingField ColourField(int field, uint32_t colour);

class LightingSession {
public:
    // ReadInfo (the effect list), then SendBegin, ReadLighting of 56 bytes at p × 42 for each profile,
    // SendEnd. When ReadInfo fails the list is empty, no record is read and the result is -1; the copy of
    // the records keeps what it held.
    [[nodiscard]] int Read();
    // The working set from profile p's record (0-2; others are ignored).
    void Load(int profile);

    [[nodiscard]] const EffectList& Effects() const { return effects_; }
    [[nodiscard]] const LightingRecord& Working() const { return working_; }
    [[nodiscard]] const LightingRecord& Record(int profile) const { return records_[Index(profile)]; }
    [[nodiscard]] int Profile() const { return profile_; }
    [[nodiscard]] int EffectPosition() const { return effects_.PositionOf(working_.effect); }
    // The speed control's position for the working speed (5 - stored value).
    [[nodiscard]] int SpeedPosition() const { return kMaxSpeed - working_.speed; }

    // Selects the effect at a list position: the effect byte, and for the effects that use it the current
    // multicolour state. A listed effect the program does not know is remembered and writes nothing.
    [[nodiscard]] int SelectEffectAt(int position);
    [[nodiscard]] int SelectEffect(int number);  // kResultNotOffered when the keyboard does not list it
    // Brightness 0-5 and the speed control's position 0-5; nothing is sent when the value is unchanged.
    [[nodiscard]] int SetBrightness(int value);
    [[nodiscard]] int SetSpeedPosition(int position);
    [[nodiscard]] int SetDirection(uint8_t value);    // 255 or 0
    [[nodiscard]] int SetColour(uint32_t colour);     // multicolour 0, then the colour
    [[nodiscard]] int SetMulticolour(bool on);
    [[nodiscard]] int SetColourChoice(int choice);    // effect 17: 0 red, 1 yellow, 2 green, 3 blue
    [[nodiscard]] int SetReportRate(int index);       // 0-3
    // The first 35 bytes of the record become the default record.
    [[nodiscard]] int RestoreDefaults();

    // For tests and kvtool: records as if read from the keyboard.
    void SetState(const EffectList& effects, const std::array<LightingRecord, kLightingProfiles>& records);

private:
    static std::size_t Index(int profile) { return profile >= 0 && profile < kLightingProfiles ? static_cast<std::size_t>(profile) : 0; }
    // Keeps the record copy of the current profile equal to the working set.
    void Store() { records_[Index(profile_)] = working_; }

    EffectList effects_;
    std::array<LightingRecord, kLightingProfiles> records_{};
    LightingRecord working_;
    int profile_ = 0;
};

}  // namespace kv
