// The keyboard's lighting record of one on-board profile: 42 bytes at profile × 42 of its lighting area.
// Decoded and encoded byte by byte; bytes the program does not interpret are carried through unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr std::size_t kLightingBytes = 42;
inline constexpr int kLightingProfiles = 3;

// Field positions within a record.
inline constexpr int kFieldEffect = 0;
inline constexpr int kFieldBrightness = 1;
inline constexpr int kFieldSpeed = 2;
inline constexpr int kFieldDirection = 3;
inline constexpr int kFieldMulticolour = 4;
inline constexpr int kFieldColour = 5;  // red, green, blue
inline constexpr int kFieldReportRate = 15;
inline constexpr int kFieldColourChoice = 17;  // effect 17: 0 red, 1 yellow, 2 green, 3 blue
inline constexpr int kFieldOption7 = 18;
inline constexpr int kFieldTrigger = 19;
inline constexpr int kFieldSecondColour = 25;
inline constexpr int kFieldSecondMulticolour = 28;
inline constexpr int kFieldThirdColour = 30;
inline constexpr int kFieldThirdMulticolour = 33;

inline constexpr int kMaxBrightness = 5;
inline constexpr int kMaxSpeed = 5;
inline constexpr int kMaxReportRate = 3;
inline constexpr uint8_t kDirectionFirst = 255;   // left, up or outward, by effect
inline constexpr uint8_t kDirectionSecond = 0;    // right, down or inward

// The restore-defaults write: effect 1, brightness 5, speed 3, direction 0, multicolour on, white, then
// zeros (report rate 0 and every other field); the record's last seven bytes are not written.
inline constexpr std::size_t kDefaultRecordBytes = 35;
[[nodiscard]] std::array<uint8_t, kDefaultRecordBytes> DefaultRecordBytes();

// The fields as the program reads them. Colours are red | green << 8 | blue << 16.
struct LightingRecord {
    uint8_t effect = 0;
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t direction = 0;
    bool multicolour = false;
    uint32_t colour = 0;
    uint8_t reportRate = 0;  // capped at 3 when decoded
    uint8_t colourChoice = 0;
    uint8_t option7 = 0;     // only from a record of effect 7 holding 0 or 1
    uint8_t trigger = 0;     // only 0 or 1
    uint32_t secondColour = 0;
    bool secondMulticolour = false;
    uint32_t thirdColour = 0;
    bool thirdMulticolour = false;
    // The record as read: encoding writes the fields over it, so uninterpreted bytes survive.
    std::array<uint8_t, kLightingBytes> raw{};
};

[[nodiscard]] LightingRecord DecodeLightingRecord(const uint8_t* bytes);  // 42 bytes
void EncodeLightingRecord(const LightingRecord& record, uint8_t* bytes);   // 42 bytes

// Colour helpers for the three bytes red, green, blue of a record or the key colour area.
[[nodiscard]] uint32_t ColourFromBytes(const uint8_t* rgb);
void ColourToBytes(uint32_t colour, uint8_t* rgb);

}  // namespace kv
