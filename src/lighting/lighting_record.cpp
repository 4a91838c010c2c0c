#include "lighting/lighting_record.h"

#include <algorithm>

namespace kv {

uint32_t ColourFromBytes(const uint8_t* rgb) {
    return static_cast<uint32_t>(rgb[0]) | static_cast<uint32_t>(rgb[1]) << 8 | static_cast<uint32_t>(rgb[2]) << 16;
}

void ColourToBytes(uint32_t colour, uint8_t* rgb) {
    rgb[0] = static_cast<uint8_t>(colour);
    rgb[1] = static_cast<uint8_t>(colour >> 8);
    rgb[2] = static_cast<uint8_t>(colour >> 16);
}

std::array<uint8_t, kDefaultRecordBytes> DefaultRecordBytes() {
    std::array<uint8_t, kDefaultRecordBytes> b{};
    b[kFieldEffect] = 1;
    b[kFieldBrightness] = 5;
    b[kFieldSpeed] = 3;
    b[kFieldDirection] = 0;
    b[kFieldMulticolour] = 0xFF;
    b[kFieldColour] = b[kFieldColour + 1] = b[kFieldColour + 2] = 0xFF;
    return b;
}

LightingRecord DecodeLightingRecord(const uint8_t* b) {
    LightingRecord r;
    std::copy(b, b + kLightingBytes, r.raw.begin());
    r.effect = b[kFieldEffect];
    r.brightness = b[kFieldBrightness];
    r.speed = b[kFieldSpeed];
    r.direction = b[kFieldDirection];
    r.multicolour = b[kFieldMulticolour] != 0;
    r.colour = ColourFromBytes(b + kFieldColour);
    r.reportRate = std::min<uint8_t>(b[kFieldReportRate], kMaxReportRate);
    r.colourChoice = b[kFieldColourChoice];
    r.option7 = r.effect == 7 && b[kFieldOption7] <= 1 ? b[kFieldOption7] : 0;
    r.trigger = b[kFieldTrigger] <= 1 ? b[kFieldTrigger] : 0;
    r.secondColour = ColourFromBytes(b + kFieldSecondColour);
    r.secondMulticolour = b[kFieldSecondMulticolour] != 0;
    r.thirdColour = ColourFromBytes(b + kFieldThirdColour);
    r.thirdMulticolour = b[kFieldThirdMulticolour] != 0;
    return r;
}

void EncodeLightingRecord(const LightingRecord& r, uint8_t* b) {
    std::copy(r.raw.begin(), r.raw.end(), b);
    b[kFieldEffect] = r.effect;
    b[kFieldBrightness] = r.brightness;
    b[kFieldSpeed] = r.speed;
    b[kFieldDirection] = r.direction;
    // A multicolour flag the keyboard stored as some other non-zero value keeps that value.
    if (r.multicolour != (b[kFieldMulticolour] != 0)) b[kFieldMulticolour] = r.multicolour ? 1 : 0;
    ColourToBytes(r.colour, b + kFieldColour);
    if (!(b[kFieldReportRate] > kMaxReportRate && r.reportRate == kMaxReportRate)) b[kFieldReportRate] = r.reportRate;
    b[kFieldColourChoice] = r.colourChoice;
    if (r.effect == 7) b[kFieldOption7] = r.option7;
    if (b[kFieldTrigger] <= 1) b[kFieldTrigger] = r.trigger;
    ColourToBytes(r.secondColour, b + kFieldSecondColour);
    if (r.secondMulticolour != (b[kFieldSecondMulticolour] != 0)) b[kFieldSecondMulticolour] = r.secondMulticolour ? 1 : 0;
    ColourToBytes(r.thirdColour, b + kFieldThirdColour);
    if (r.thirdMulticolour != (b[kFieldThirdMulticolour] != 0)) b[kFieldThirdMulticolour] = r.thirdMulticolour ? 1 : 0;
}

}  // namespace kv
