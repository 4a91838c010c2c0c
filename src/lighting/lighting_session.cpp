#include "lighting/lighting_session.h"

#include <algorithm>

#include "device/commands.h"

namespace kv {

LightingField Field(int field, std::initializer_list<uint8_t> bytes) {
    LightingField f{field, {}, static_cast<int>(bytes.size())};
    std::copy(bytes.begin(), bytes.end(), f.bytes.begin());
    return f;
}

LightingField ColourField(int field, uint32_t colour) {
    LightingField f{field, {}, 3};
    ColourToBytes(colour, f.bytes.data());
    return f;
}

int WriteLightingFields(int profile, std::initializer_list<LightingField> fields) {
    (void)SendBegin();
    int result = kResultSuccess;
    for (const LightingField& f : fields) {
        const int r = WriteLighting(f.bytes.data(), f.length, profile * static_cast<int>(kLightingBytes) + f.field);
        if (r != kResultSuccess && result == kResultSuccess) result = r;
    }
    (void)SendEnd();
    return result;
}

int LightingSession::Read() {
    uint8_t info[kInfoSize] = {};
    if (ReadInfo(info) != kResultSuccess) {
        effects_ = EffectList();
        return -1;
    }
    effects_ = EffectList::FromInfo(info);
    (void)SendBegin();
    int result = kResultSuccess;
    for (int p = 0; p < kLightingProfiles; ++p) {
        uint8_t answer[kPayloadSize] = {};
        const int r = ReadLighting(answer, static_cast<int>(kPayloadSize), p * static_cast<int>(kLightingBytes));
        if (r == kResultSuccess)
            records_[static_cast<std::size_t>(p)] = DecodeLightingRecord(answer);
        else if (result == kResultSuccess)
            result = r;
    }
    (void)SendEnd();
    return result;
}

void LightingSession::Load(int profile) {
    if (profile < 0 || profile >= kLightingProfiles) return;
    profile_ = profile;
    working_ = records_[Index(profile)];
}

void LightingSession::SetState(const EffectList& effects, const std::array<LightingRecord, kLightingProfiles>& records) {
    effects_ = effects;
    records_ = records;
    working_ = records_[Index(profile_)];
}

int LightingSession::SelectEffectAt(int position) {
    const int number = effects_.EffectAt(position);
    if (number == 0) return kResultNotOffered;
    working_.effect = static_cast<uint8_t>(number);
    Store();
    const EffectTraits* e = FindEffect(number);
    if (e == nullptr) return kResultSuccess;
    if (e->writesMulticolour)
        return WriteLightingFields(profile_, {Field(kFieldEffect, {static_cast<uint8_t>(number)}),
                                              Field(kFieldMulticolour, {static_cast<uint8_t>(working_.multicolour ? 1 : 0)})});
    return WriteLightingFields(profile_, {Field(kFieldEffect, {static_cast<uint8_t>(number)})});
}

int LightingSession::SelectEffect(int number) {
    const int position = effects_.PositionOf(number);
    if (position < 0) return kResultNotOffered;
    return SelectEffectAt(position);
}

int LightingSession::SetBrightness(int value) {
    if (value < 0 || value > kMaxBrightness) return kResultOutOfRange;
    if (value == working_.brightness) return kResultSuccess;
    working_.brightness = static_cast<uint8_t>(value);
    Store();
    return WriteLightingFields(profile_, {Field(kFieldBrightness, {working_.brightness})});
}

int LightingSession::SetSpeedPosition(int position) {
    if (position < 0 || position > kMaxSpeed) return kResultOutOfRange;
    const uint8_t stored = static_cast<uint8_t>(kMaxSpeed - position);
    if (stored == working_.speed) return kResultSuccess;
    working_.speed = stored;
    Store();
    return WriteLightingFields(profile_, {Field(kFieldSpeed, {stored})});
}

int LightingSession::SetDirection(uint8_t value) {
    if (value != kDirectionFirst && value != kDirectionSecond) return kResultOutOfRange;
    working_.direction = value;
    Store();
    return WriteLightingFields(profile_, {Field(kFieldDirection, {value})});
}

int LightingSession::SetColour(uint32_t colour) {
    working_.multicolour = false;
    working_.colour = colour & 0xFFFFFF;
    Store();
    return WriteLightingFields(profile_, {Field(kFieldMulticolour, {0}), ColourField(kFieldColour, working_.colour)});
}

int LightingSession::SetMulticolour(bool on) {
    working_.multicolour = on;
    Store();
    return WriteLightingFields(profile_, {Field(kFieldMulticolour, {static_cast<uint8_t>(on ? 1 : 0)})});
}

int LightingSession::SetColourChoice(int choice) {
    if (choice < 0 || choice > 3) return kResultOutOfRange;
    working_.colourChoice = static_cast<uint8_t>(choice);
    Store();
    return WriteLightingFields(profile_, {Field(kFieldColourChoice, {working_.colourChoice})});
}

int LightingSession::SetReportRate(int index) {
    if (index < 0 || index > kMaxReportRate) return kResultOutOfRange;
    working_.reportRate = static_cast<uint8_t>(index);
    Store();
    return WriteLightingFields(profile_, {Field(kFieldReportRate, {working_.reportRate})});
}

int LightingSession::RestoreDefaults() {
    const auto bytes = DefaultRecordBytes();
    LightingField f{0, {}, static_cast<int>(bytes.size())};
    std::copy(bytes.begin(), bytes.end(), f.bytes.begin());
    std::array<uint8_t, kLightingBytes> raw = working_.raw;
    std::copy(bytes.begin(), bytes.end(), raw.begin());
    working_ = DecodeLightingRecord(raw.data());
    Store();
    return WriteLightingFields(profile_, {f});
}

}  // namespace kv
