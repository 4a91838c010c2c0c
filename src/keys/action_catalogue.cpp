#include "keys/action_catalogue.h"

namespace kv {
namespace {

struct MediaRow {
    KeyCode code;
    const char* nameKey;
    uint16_t usage;
};

// Multimedia list, in the order the dialog offers it and slots store it.
constexpr MediaRow kMedia[MediaCount] = {
    {0x16D, "MEDIA_PALYER_1",        0x183},  // AL Consumer Control Configuration
    {0x122, "MEDIA_PALY_PAUSE_2",    0x0CD},  // Play/Pause
    {0x124, "MEDIA_STOP_PALY_3",     0x0B7},  // Stop
    {0x110, "MEDIA_PREV_TRACK_4",    0x0B6},  // Scan Previous Track
    {0x119, "MEDIA_Next_TRACK_5",    0x0B5},  // Scan Next Track
    {0x12E, "MEDIA_V_LOW_6",         0x0EA},  // Volume Decrement
    {0x130, "MEDIA_V_ADD_7",         0x0E9},  // Volume Increment
    {0x120, "MEDIA_MUTE_8",          0x0E2},  // Mute
    {0x132, "MEDIA_WWW_HOME_9",      0x223},  // AC Home
    {0x167, "MEDIA_WWW_REFRESH_10",  0x227},  // AC Refresh
    {0x168, "MEDIA_WWW_STOP_11",     0x226},  // AC Stop
    {0x16A, "MEDIA_WWW_BACK_12",     0x224},  // AC Back
    {0x169, "MEDIA_WWW_FORWARD_13",  0x225},  // AC Forward
    {0x166, "MEDIA_WWW_FAVORITE_14", 0x22A},  // AC Bookmarks
    {0x165, "MEDIA_WWW_SEARCH_15",   0x221},  // AC Search
    {0x16B, "MEDIA_MY_PC_16",        0x194},  // AL Local Machine Browser
    {0x121, "MEDIA_CALC_17",         0x192},  // AL Calculator
    {0x16C, "MEDIA_MAIL_18",         0x18A},  // AL Email Reader
};

constexpr const char* kFunctionNameKeys[FunctionCount] = {
    "FUNC_KEY_DESC1", "FUNC_KEY_DESC2", "FUNC_KEY_DESC3", "FUNC_KEY_DESC4",  "FUNC_KEY_DESC5", "FUNC_KEY_DESC6",
    "FUNC_KEY_DESC7", "FUNC_KEY_DESC8", "FUNC_KEY_DESC9", "FUNC_KEY_DESC10", "FUNC_KEY_DESC11",
};

struct MouseRow {
    KeyCode code;
    const char* nameKey;
};

constexpr MouseRow kMouse[MouseCount] = {
    {0x171, "IDS_KEYBOARD_MOU_LEFT"},    // 01 01 01
    {0x172, "IDS_KEYBOARD_MOU_RIGHT"},   // 01 01 02
    {0x173, "IDS_KEYBOARD_MOU_MIDDLE"},  // 01 01 04
    {0x161, "IDS_KEYBOARD_ROLL_UP"},     // 01 05 01
    {0x162, "IDS_KEYBOARD_ROLL_DOWN"},   // 01 05 FF
};

constexpr bool Valid(int index, int count) { return index >= 0 && index < count; }

}  // namespace

KeyCode MediaKeyCode(int index) { return Valid(index, MediaCount) ? kMedia[index].code : KeyCode{0}; }

uint16_t MediaUsage(int index) { return Valid(index, MediaCount) ? kMedia[index].usage : uint16_t{0}; }

int MediaIndexOfUsage(uint16_t usage) {
    for (int i = 0; i < MediaCount; ++i)
        if (kMedia[i].usage == usage) return i;
    return kNoMediaIndex;
}

const char* MediaNameKey(int index) { return Valid(index, MediaCount) ? kMedia[index].nameKey : ""; }

const char* FunctionNameKey(int index) { return Valid(index, FunctionCount) ? kFunctionNameKeys[index] : ""; }

KeyCode MouseKeyCode(int index) { return Valid(index, MouseCount) ? kMouse[index].code : KeyCode{0}; }

const char* MouseNameKey(int index) { return Valid(index, MouseCount) ? kMouse[index].nameKey : ""; }

bool IsMultimediaKey(KeyCode code) {
    for (const auto& m : kMedia)
        if (m.code == code) return true;
    return false;
}

}  // namespace kv
