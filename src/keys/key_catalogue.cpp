#include "keys/key_catalogue.h"

#include <array>
#include <iterator>

namespace kv {
namespace {

// --- the tables, as data ----------------------------------------------------------------------------

struct PictureRow {
    int control;
    KeyCode code;
    uint16_t listPosition;
    const char* nameKey;
    const wchar_t* label;
    uint8_t deviceCode;
    uint8_t virtualKey;
};

// The keys of the keyboard picture, in picture order (the order of every walk over the picture).
constexpr PictureRow kPictureKeys[kPictureKeyCount] = {
//   control code  list  name key                   label            device vk
    {1058, 0x01E, 0x00, "IDS_KEYBOARD_A",          L"A",            0x04, 0x41},
    {1075, 0x030, 0x01, "IDS_KEYBOARD_B",          L"B",            0x05, 0x42},
    {1073, 0x02E, 0x02, "IDS_KEYBOARD_C",          L"C",            0x06, 0x43},
    {1060, 0x020, 0x03, "IDS_KEYBOARD_D",          L"D",            0x07, 0x44},
    {1046, 0x012, 0x04, "IDS_KEYBOARD_E",          L"E",            0x08, 0x45},
    {1061, 0x021, 0x05, "IDS_KEYBOARD_F",          L"F",            0x09, 0x46},
    {1062, 0x022, 0x06, "IDS_KEYBOARD_G",          L"G",            0x0A, 0x47},
    {1063, 0x023, 0x07, "IDS_KEYBOARD_H",          L"H",            0x0B, 0x48},
    {1051, 0x017, 0x08, "IDS_KEYBOARD_I",          L"I",            0x0C, 0x49},
    {1064, 0x024, 0x09, "IDS_KEYBOARD_J",          L"J",            0x0D, 0x4A},
    {1065, 0x025, 0x0A, "IDS_KEYBOARD_K",          L"K",            0x0E, 0x4B},
    {1066, 0x026, 0x0B, "IDS_KEYBOARD_L",          L"L",            0x0F, 0x4C},
    {1077, 0x032, 0x0C, "IDS_KEYBOARD_M",          L"M",            0x10, 0x4D},
    {1076, 0x031, 0x0D, "IDS_KEYBOARD_N",          L"N",            0x11, 0x4E},
    {1052, 0x018, 0x0E, "IDS_KEYBOARD_O",          L"O",            0x12, 0x4F},
    {1053, 0x019, 0x0F, "IDS_KEYBOARD_P",          L"P",            0x13, 0x50},
    {1044, 0x010, 0x10, "IDS_KEYBOARD_Q",          L"Q",            0x14, 0x51},
    {1047, 0x013, 0x11, "IDS_KEYBOARD_R",          L"R",            0x15, 0x52},
    {1059, 0x01F, 0x12, "IDS_KEYBOARD_S",          L"S",            0x16, 0x53},
    {1048, 0x014, 0x13, "IDS_KEYBOARD_T",          L"T",            0x17, 0x54},
    {1050, 0x016, 0x14, "IDS_KEYBOARD_U",          L"U",            0x18, 0x55},
    {1074, 0x02F, 0x15, "IDS_KEYBOARD_V",          L"V",            0x19, 0x56},
    {1045, 0x011, 0x16, "IDS_KEYBOARD_W",          L"W",            0x1A, 0x57},
    {1072, 0x02D, 0x17, "IDS_KEYBOARD_X",          L"X",            0x1B, 0x58},
    {1049, 0x015, 0x18, "IDS_KEYBOARD_Y",          L"Y",            0x1C, 0x59},
    {1071, 0x02C, 0x19, "IDS_KEYBOARD_Z",          L"Z",            0x1D, 0x5A},
    {1030, 0x002, 0x1A, "IDS_KEYBOARD_1",          L"1",            0x1E, 0x31},
    {1031, 0x003, 0x1B, "IDS_KEYBOARD_2",          L"2",            0x1F, 0x32},
    {1032, 0x004, 0x1C, "IDS_KEYBOARD_3",          L"3",            0x20, 0x33},
    {1033, 0x005, 0x1D, "IDS_KEYBOARD_4",          L"4",            0x21, 0x34},
    {1034, 0x006, 0x1E, "IDS_KEYBOARD_5",          L"5",            0x22, 0x35},
    {1035, 0x007, 0x1F, "IDS_KEYBOARD_6",          L"6",            0x23, 0x36},
    {1036, 0x008, 0x20, "IDS_KEYBOARD_7",          L"7",            0x24, 0x37},
    {1037, 0x009, 0x21, "IDS_KEYBOARD_8",          L"8",            0x25, 0x38},
    {1038, 0x00A, 0x22, "IDS_KEYBOARD_9",          L"9",            0x26, 0x39},
    {1039, 0x00B, 0x23, "IDS_KEYBOARD_0",          L"0",            0x27, 0x30},
    {1070, 0x01C, 0x24, "IDS_KEYBOARD_ENTER",      L"Enter",        0x28, 0x0D},
    {1022, 0x001, 0x25, "IDS_KEYBOARD_ESC",        L"Esc",          0x29, 0x1B},
    {1043, 0x00E, 0x26, "IDS_KEYBOARD_BS",         L"Backspace",    0x2A, 0x08},
    {1056, 0x00F, 0x27, "IDS_KEYBOARD_TAB",        L"Tab",          0x2B, 0x09},
    {1090, 0x039, 0x28, "IDS_KEYBOARD_SPACE",      L"Space",        0x2C, 0x20},
    {1040, 0x00C, 0x29, "IDS_KEYBOARD_MINUS",      L"-",            0x2D, 0xBD},
    {1041, 0x00D, 0x2A, "IDS_KEYBOARD_EQU",        L"=",            0x2E, 0xBB},
    {1054, 0x01A, 0x2B, "IDS_KEYBOARD_SB1",        L"[",            0x2F, 0xDB},
    {1055, 0x01B, 0x2C, "IDS_KEYBOARD_SB2",        L"]",            0x30, 0xDD},
    {1042, 0x02B, 0x2D, "IDS_KEYBOARD_AV",         L"\\",           0x31, 0xDC},
    {1067, 0x027, 0x2E, "IDS_KEYBOARD_SEM",        L";",            0x33, 0xBA},
    {1068, 0x028, 0x2F, "IDS_KEYBOARD_QUOT",       L"'",            0x34, 0xDE},
    {1029, 0x029, 0x30, "IDS_KEYBOARD_AID1",       L"`",            0x35, 0xC0},
    {1078, 0x033, 0x31, "IDS_KEYBOARD_COMMA",      L",",            0x36, 0xBC},
    {1079, 0x034, 0x32, "IDS_KEYBOARD_PER",        L".",            0x37, 0xBE},
    {1080, 0x035, 0x33, "IDS_KEYBOARD_VIR",        L"/",            0x38, 0xBF},
    {1010, 0x03B, 0x34, "IDS_KEYBOARD_F1",         L"F1",           0x3A, 0x70},
    {1011, 0x03C, 0x35, "IDS_KEYBOARD_F2",         L"F2",           0x3B, 0x71},
    {1012, 0x03D, 0x36, "IDS_KEYBOARD_F3",         L"F3",           0x3C, 0x72},
    {1013, 0x03E, 0x37, "IDS_KEYBOARD_F4",         L"F4",           0x3D, 0x73},
    {1014, 0x03F, 0x38, "IDS_KEYBOARD_F5",         L"F5",           0x3E, 0x74},
    {1015, 0x040, 0x39, "IDS_KEYBOARD_F6",         L"F6",           0x3F, 0x75},
    {1023, 0x041, 0x3A, "IDS_KEYBOARD_F7",         L"F7",           0x40, 0x76},
    {1024, 0x042, 0x3B, "IDS_KEYBOARD_F8",         L"F8",           0x41, 0x77},
    {1025, 0x043, 0x3C, "IDS_KEYBOARD_F9",         L"F9",           0x42, 0x78},
    {1026, 0x044, 0x3D, "IDS_KEYBOARD_F10",        L"F10",          0x43, 0x79},
    {1027, 0x057, 0x3E, "IDS_KEYBOARD_F11",        L"F11",          0x44, 0x7A},
    {1028, 0x058, 0x3F, "IDS_KEYBOARD_F12",        L"F12",          0x45, 0x7B},
    {1091, 0x137, 0x40, "IDS_KEYBOARD_PRINT",      L"Print Screen", 0x46, 0x2C},
    {1093, 0x045, 0x41, "IDS_KEYBOARD_PAUSE",      L"Pause",        0x48, 0x13},
    {1094, 0x152, 0x43, "IDS_KEYBOARD_INSERT",     L"Insert",       0x49, 0x2D},
    {1097, 0x153, 0x44, "IDS_KEYBOARD_DELETE",     L"Delete",       0x4C, 0x2E},
    {1095, 0x147, 0x45, "IDS_KEYBOARD_HOME",       L"Home",         0x4A, 0x24},
    {1098, 0x14F, 0x46, "IDS_KEYBOARD_END",        L"End",          0x4D, 0x23},
    {1096, 0x149, 0x47, "IDS_KEYBOARD_PAGE_UP",    L"Page Up",      0x4B, 0x21},
    {1099, 0x151, 0x48, "IDS_KEYBOARD_PAGE_DOWN",  L"Page Down",    0x4E, 0x22},
    {1103, 0x148, 0x49, "IDS_KEYBOARD_UP",         L"\u2191",       0x52, 0x26},
    {1101, 0x150, 0x4A, "IDS_KEYBOARD_DOWN",       L"\u2193",       0x51, 0x28},
    {1100, 0x14B, 0x4B, "IDS_KEYBOARD_LEFT",       L"\u2190",       0x50, 0x25},
    {1102, 0x14D, 0x4C, "IDS_KEYBOARD_RIGHT",      L"\u2192",       0x4F, 0x27},
    {1092, 0x046, 0x4D, "IDS_KEYBOARD_SCROLL",     L"Scroll Lock",  0x47, 0x91},
    {1069, 0x03A, 0x4E, "IDS_KEYBOARD_CAPS",       L"Caps Lock",    0x39, 0x14},
    {1088, 0x15D, 0x61, "IDS_KEYBOARD_APP",        L"App",          0x65, 0x5D},
    {1083, 0x01D, 0x62, "IDS_KEYBOARD_LCTRL",      L"Ctrl",         0xE0, 0xA2},
    {1089, 0x11D, 0x66, "IDS_KEYBOARD_RCTRL",      L"Right Ctrl",   0xE4, 0xA3},
    {1082, 0x02A, 0x63, "IDS_KEYBOARD_LSHIFT",     L"Shift",        0xE1, 0xA0},
    {1081, 0x036, 0x67, "IDS_KEYBOARD_RSHIFT",     L"Right Shift",  0xE5, 0xA1},
    {1085, 0x038, 0x64, "IDS_KEYBOARD_LALT",       L"Alt",          0xE2, 0xA4},
    {1086, 0x138, 0x68, "IDS_KEYBOARD_RALT",       L"Right Alt",    0xE6, 0xA5},
    {1084, 0x15B, 0x65, "IDS_KEYBOARD_LWIN",       L"Win",          0xE3, 0x5B},
    {1087, 0x15C, 0x69, "IDS_KEYBOARD_RWIN",       L"Right Win",    0xE7, 0x5C},
    {1115, 0x04F, 0x55, "IDS_KEYBOARD_S_1",        L"Num 1",        0x59, 0x61},
    {1116, 0x050, 0x56, "IDS_KEYBOARD_S_2",        L"Num 2",        0x5A, 0x62},
    {1117, 0x051, 0x57, "IDS_KEYBOARD_S_3",        L"Num 3",        0x5B, 0x63},
    {1112, 0x04B, 0x58, "IDS_KEYBOARD_S_4",        L"Num 4",        0x5C, 0x64},
    {1113, 0x04C, 0x59, "IDS_KEYBOARD_S_5",        L"Num 5",        0x5D, 0x65},
    {1114, 0x04D, 0x5A, "IDS_KEYBOARD_S_6",        L"Num 6",        0x5E, 0x66},
    {1108, 0x047, 0x5B, "IDS_KEYBOARD_S_7",        L"Num 7",        0x5F, 0x67},
    {1109, 0x048, 0x5C, "IDS_KEYBOARD_S_8",        L"Num 8",        0x60, 0x68},
    {1110, 0x049, 0x5D, "IDS_KEYBOARD_S_9",        L"Num 9",        0x61, 0x69},
    {1120, 0x052, 0x5E, "IDS_KEYBOARD_S_0",        L"Num 0",        0x62, 0x60},
    {1104, 0x145, 0x4F, "IDS_KEYBOARD_NUM",        L"Num Lock",     0x53, 0x90},
    {1118, 0x11C, 0x54, "IDS_KEYBOARD_S_ENTER",    L"Num Enter",    0x58, 0x0D},
    {1119, 0x053, 0x5F, "IDS_KEYBOARD_S_DEL",      L"Num .",        0x63, 0x6E},
    {1105, 0x135, 0x50, "IDS_KEYBOARD_S_VIR",      L"Num /",        0x54, 0x6F},
    {1106, 0x037, 0x51, "IDS_KEYBOARD_S_AST",      L"Num *",        0x55, 0x6A},
    {1107, 0x04A, 0x52, "IDS_KEYBOARD_S_MINUS",    L"Num -",        0x56, 0x6D},
    {1111, 0x04E, 0x53, "IDS_KEYBOARD_S_PLUS",     L"Num +",        0x57, 0x6B},
    {1199, 0x056, 0x60, "IDS_KEYBOARD_K45",        L"K45",          0x64, 0xE2},
};

constexpr uint16_t kNotListed = kNotListedBase;  // "not listed": becomes 0x8000 | index in the catalogue

struct ExtraRow {
    KeyCode code;
    int index;
    uint16_t listPosition;
    const char* nameKey;
    const wchar_t* label;
    uint8_t deviceCode;
    uint8_t virtualKey;
};

// The catalogue rows that are not picture keys: mouse buttons and wheel, media and office functions,
// international and system keys, and names for codes the keyboard reports.
constexpr ExtraRow kExtraKeys[] = {
//   code    index list        name key                          label            device vk
    {0x054, 0x54, kNotListed, "IDS_KEYBOARD_SYSREQ",           L"Sys Req",      0x00, 0x2C},
    {0x064, 0x64, kNotListed, "",                              L"F13",          0x00, 0x7C},
    {0x070, 0x70, kNotListed, "IDS_KEYBOARD_ROMA",             L"ROMA (133)",   0x88, 0xFF},
    {0x071, 0x71, kNotListed, "IDS_KEYBOARD_KL",               L"KL",           0x91, 0xE9},
    {0x072, 0x72, kNotListed, "IDS_KEYBOARD_KR",               L"KR",           0x90, 0xFF},
    {0x073, 0x73, kNotListed, "IDS_KEYBOARD_K56",              L"K56",          0x87, 0xC1},
    {0x079, 0x79, kNotListed, "IDS_KEYBOARD_CHG",              L"CHG (132)",    0x8A, 0xFF},
    {0x07B, 0x7B, kNotListed, "IDS_KEYBOARD_N_CHG",            L"N-CHG (131)",  0x8B, 0xEB},
    {0x07D, 0x7D, kNotListed, "IDS_KEYBOARD_K14",              L"K14",          0x89, 0xFF},
    {0x07E, 0x7E, kNotListed, "IDS_KEYBOARD_K107",             L"K107",         0x85, 0xC2},
    {0x110, 0x90, kNotListed, "MEDIA_PREV_TRACK_4",            L"Prev Track",   0xD0, 0xB1},
    {0x119, 0x99, kNotListed, "MEDIA_Next_TRACK_5",            L"Next Track",   0xD1, 0xB0},
    {0x120, 0xA0, kNotListed, "MEDIA_MUTE_8",                  L"Mute",         0xCD, 0xAD},
    {0x121, 0xA1, kNotListed, "MEDIA_CALC_17",                 L"Calc",         0xC4, 0xB7},
    {0x122, 0xA2, kNotListed, "MEDIA_PALY_PAUSE_2",            L"Play/Pause",   0xCE, 0xB3},
    {0x124, 0xA4, kNotListed, "MEDIA_STOP_PALY_3",             L"Stop Play",    0xCF, 0xB2},
    {0x12E, 0xAE, kNotListed, "MEDIA_V_LOW_6",                 L"V-",           0xC1, 0xAE},
    {0x130, 0xB0, kNotListed, "MEDIA_V_ADD_7",                 L"V+",           0xC0, 0xAF},
    {0x132, 0xB2, kNotListed, "MEDIA_WWW_HOME_9",              L"WWW Home",     0xC7, 0xAC},
    {0x136, 0xB6, 0x0067,     "IDS_KEYBOARD_RSHIFT",           L"Right Shift",  0xE5, 0xA1},
    {0x146, 0xC6, 0x0042,     "IDS_KEYBOARD_BREAK",            L"Break",        0x48, 0x03},
    {0x15E, 0xDE, kNotListed, "IDS_KEYBOARD_POWER",            L"Power",        0x81, 0xFF},
    {0x15F, 0xDF, kNotListed, "IDS_KEYBOARD_SLEEP",            L"Sleep",        0x82, 0x5F},
    {0x161, 0xE1, 0x006E,     "IDS_KEYBOARD_ROLL_UP",          L"Roll Up",      0xF4, 0xD1},
    {0x162, 0xE2, 0x006F,     "IDS_KEYBOARD_ROLL_DOWN",        L"Roll Down",    0xF5, 0xD2},
    {0x163, 0xE3, kNotListed, "IDS_KEYBOARD_WAKE",             L"Wake",         0x83, 0xFF},
    {0x165, 0xE5, kNotListed, "MEDIA_WWW_SEARCH_15",           L"WWW Search",   0xC6, 0xAA},
    {0x166, 0xE6, kNotListed, "MEDIA_WWW_FAVORITE_14",         L"WWW Favorite", 0xCC, 0xAB},
    {0x167, 0xE7, kNotListed, "MEDIA_WWW_REFRESH_10",          L"WWW Refresh",  0xCB, 0xA8},
    {0x168, 0xE8, kNotListed, "MEDIA_WWW_STOP_11",             L"WWW Stop",     0xCA, 0xA9},
    {0x169, 0xE9, kNotListed, "MEDIA_WWW_FORWARD_13",          L"WWW Forward",  0xC9, 0xA7},
    {0x16A, 0xEA, kNotListed, "MEDIA_WWW_BACK_12",             L"WWW Back",     0xC8, 0xA6},
    {0x16B, 0xEB, kNotListed, "MEDIA_MY_PC_16",                L"My PC",        0xC5, 0xB6},
    {0x16C, 0xEC, kNotListed, "MEDIA_MAIL_18",                 L"Mail",         0xC3, 0xB4},
    {0x16D, 0xED, kNotListed, "MEDIA_PALYER_1",                L"Media Player", 0xC2, 0xB5},
    {0x16E, 0xEE, kNotListed, "IDS_KEYBOARD_MOU_PANLEFT",      L"Pan Left",     0x00, 0x88},
    {0x16F, 0xEF, kNotListed, "IDS_KEYBOARD_MOU_PANRIGHT",     L"Pan Right",    0x00, 0x89},
    {0x170, 0xF0, kNotListed, "IDS_KEYBOARD_MOU_DBCLICK",      L"Double Click", 0x00, 0x8A},
    {0x171, 0xF1, 0x006B,     "IDS_KEYBOARD_MOU_LEFT",         L"Left Button",  0xF1, 0x01},
    {0x172, 0xF2, 0x006C,     "IDS_KEYBOARD_MOU_RIGHT",        L"Right Button", 0xF2, 0x02},
    {0x173, 0xF3, 0x006D,     "IDS_KEYBOARD_MOU_MIDDLE",       L"Middle Button", 0xF3, 0x04},
    {0x174, 0xF4, kNotListed, "IDS_KEYBOARD_FUNC_ZOOMOUT",     L"Zoom-",        0xD2, 0x8B},
    {0x175, 0xF5, kNotListed, "IDS_KEYBOARD_FUNC_ZOOMIN",      L"Zoom+",        0xD3, 0x8C},
    {0x176, 0xF6, kNotListed, "IDS_KEYBOARD_FUNC_COPY",        L"Copy",         0x00, 0x97},
    {0x177, 0xF7, kNotListed, "IDS_KEYBOARD_FUNC_CUT",         L"Cut",          0x00, 0x98},
    {0x178, 0xF8, kNotListed, "IDS_KEYBOARD_FUNC_PASTE",       L"Paste",        0x00, 0x99},
    {0x179, 0xF9, kNotListed, "IDS_KEYBOARD_FUNC_MINI",        L"Minimize",     0x00, 0x9A},
    {0x17A, 0xFA, kNotListed, "IDS_KEYBOARD_FUNC_MAXI",        L"Maximize",     0x00, 0x9B},
    {0x17B, 0xFB, kNotListed, "IDS_KEYBOARD_FUNC_WORD",        L"Word",         0xD4, 0x9C},
    {0x17C, 0xFC, kNotListed, "IDS_KEYBOARD_FUNC_EXCEL",       L"Excel",        0xD5, 0x9D},
    {0x17D, 0xFD, kNotListed, "IDS_KEYBOARD_FUNC_POWERPOINT",  L"PowerPoint",   0x00, 0x9E},
    {0x17E, 0xFE, kNotListed, "IDS_KEYBOARD_FUNC_CALENDAR",    L"Calendar",     0x00, 0x9F},
};
static_assert(std::size(kExtraKeys) == 52);

// The numeric pad's navigation keys, produced with Num Lock off.
struct AlternateRow {
    KeyCode code;
    uint8_t alternateVirtualKey;
};
constexpr AlternateRow kNumPadAlternates[] = {
    {0x047, 0x24},  // Num 7: Home
    {0x048, 0x26},  // Num 8: Up
    {0x049, 0x21},  // Num 9: Page Up
    {0x04B, 0x25},  // Num 4: Left
    {0x04C, 0x0C},  // Num 5: Clear
    {0x04D, 0x27},  // Num 6: Right
    {0x04F, 0x23},  // Num 1: End
    {0x050, 0x28},  // Num 2: Down
    {0x051, 0x22},  // Num 3: Page Down
    {0x052, 0x2D},  // Num 0: Insert
    {0x053, 0x2E},  // Num .: Delete
};

// Consumer-page usages behind device codes 0xC0 + i.
constexpr uint16_t kConsumerTable[kConsumerTableSize] = {
    0x0E9, 0x0EA, 0x183, 0x18A, 0x192, 0x194, 0x221, 0x223,
    0x224, 0x225, 0x226, 0x227, 0x22A, 0x0E2, 0x0CD, 0x0B7,
    0x0B6, 0x0B5, 0,     0,     0,     0,     0,     0,
    0,     0,     0,     0,     0,     0,     0,     0,
};

// The eight modifiers in their order of priority.
struct ModifierRow {
    KeyCode code;
    uint8_t bit;
};
constexpr ModifierRow kModifiers[8] = {
    {0x01D, 0x01},  // left Ctrl
    {0x02A, 0x02},  // left Shift
    {0x038, 0x04},  // left Alt
    {0x15B, 0x08},  // left Windows
    {0x11D, 0x10},  // right Ctrl
    {0x036, 0x20},  // right Shift
    {0x138, 0x40},  // right Alt
    {0x15C, 0x80},  // right Windows
};

// Control ids of the G1..G9 buttons.
constexpr int kGButtonControls[kGButtonCount] = {1000, 1001, 1002, 1003, 1004, 1140, 1141, 1142, 1143};

// Virtual keys produced by several rows, or by none: which key the virtual-key table names.
struct VirtualKeyChoice {
    uint8_t virtualKey;
    KeyCode code;  // 0: no key
};
constexpr VirtualKeyChoice kVirtualKeyChoices[] = {
    {0x0D, 0x01C},  // Enter, not Num Enter
    {0x2C, 0x137},  // Print Screen, not Sys Req
    {0x10, 0x02A},  // neutral Shift: left Shift
    {0x11, 0x01D},  // neutral Ctrl: left Ctrl
    {0x12, 0x038},  // neutral Alt: left Alt
    {0xA1, 0x036},  // right Shift: the row of index 0x36, not 0xB6
    {0x03, 0x146},  // Break
    {0xD1, 0x161},  // wheel up
    {0xD2, 0x162},  // wheel down
    {0x01, 0},      // mouse buttons
    {0x02, 0},
    {0x04, 0},
    {0x0C, 0},      // Num 5 with Num Lock off
    {0x88, 0},      // pan left, pan right, double click, zoom out, zoom in
    {0x89, 0},
    {0x8A, 0},
    {0x8B, 0},
    {0x8C, 0},
    {0x97, 0},      // the office functions
    {0x98, 0},
    {0x99, 0},
    {0x9A, 0},
    {0x9B, 0},
    {0x9C, 0},
    {0x9D, 0},
    {0x9E, 0},
    {0x9F, 0},
    {0xFF, 0},
};

// --- tables built from the data at compile time -----------------------------------------------------

constexpr int IndexOf(KeyCode code) {
    if (code < 0x100) return code;
    if (code < 0x200) return (code - 0x80) & 0xFF;
    return code - 0x100;
}

constexpr KeyCode CodeOfIndex(int index) {
    if (index < 0) return 0;
    if (index < 0x80) return static_cast<KeyCode>(index);
    if (index < 0x100) return static_cast<KeyCode>(index + 0x80);
    if (index < kKeyIndexCount) return static_cast<KeyCode>(index + 0x100);
    return 0;
}

constexpr KeyEntry kEmptyEntry = {kNoVirtualKey, kNoVirtualKey, kNoListPosition, "", L"", 0};

constexpr std::array<KeyEntry, kCatalogueSize> BuildCatalogue() {
    std::array<KeyEntry, kCatalogueSize> table{};
    for (auto& e : table) e = kEmptyEntry;
    for (const auto& r : kPictureKeys)
        table[IndexOf(r.code)] = {r.virtualKey, r.virtualKey, r.listPosition, r.nameKey, r.label, r.deviceCode};
    for (const auto& r : kExtraKeys) {
        const uint16_t position =
            r.listPosition == kNotListed ? static_cast<uint16_t>(kNotListedBase | r.index) : r.listPosition;
        table[r.index] = {r.virtualKey, r.virtualKey, position, r.nameKey, r.label, r.deviceCode};
    }
    for (const auto& r : kNumPadAlternates) table[IndexOf(r.code)].alternateVirtualKey = r.alternateVirtualKey;
    return table;
}

constexpr std::array<KeyEntry, kCatalogueSize> kCatalogue = BuildCatalogue();

// Every row lands on its own index, and the extra rows' index column agrees with their code.
constexpr bool RowsAreConsistent() {
    std::array<bool, kCatalogueSize> used{};
    for (const auto& r : kPictureKeys) {
        const int i = IndexOf(r.code);
        if (i >= kCatalogueSize || used[i]) return false;
        used[i] = true;
    }
    for (const auto& r : kExtraKeys) {
        if (IndexOf(r.code) != r.index || used[r.index]) return false;
        used[r.index] = true;
    }
    return true;
}
static_assert(RowsAreConsistent());

// Virtual key -> key index (0 = no key): the first row in index order that produces it, then the choices.
constexpr std::array<uint8_t, 256> BuildVirtualKeyTable() {
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < kCatalogueSize; ++i) {
        const uint8_t vk = kCatalogue[i].virtualKey;
        if (vk != kNoVirtualKey && table[vk] == 0) table[vk] = static_cast<uint8_t>(i);
    }
    for (const auto& c : kVirtualKeyChoices) table[c.virtualKey] = static_cast<uint8_t>(IndexOf(c.code));
    return table;
}

constexpr std::array<uint8_t, 256> kVirtualKeyTable = BuildVirtualKeyTable();

// Device code -> key index of the first row in index order with that code (0 = none).
constexpr std::array<uint8_t, 256> BuildDeviceCodeTable() {
    std::array<uint8_t, 256> table{};
    for (int i = kCatalogueSize - 1; i > 0; --i) {
        const uint8_t code = kCatalogue[i].deviceCode;
        if (code != 0) table[code] = static_cast<uint8_t>(i);
    }
    return table;
}

constexpr std::array<uint8_t, 256> kDeviceCodeTable = BuildDeviceCodeTable();

}  // namespace

const KeyEntry& CatalogueEntry(int index) {
    if (index < 0 || index >= kCatalogueSize) return kEmptyEntry;
    return kCatalogue[static_cast<std::size_t>(index)];
}

KeyCode PictureKeyCode(int position) {
    if (position < 0 || position >= kPictureKeyCount) return 0;
    return kPictureKeys[position].code;
}

uint16_t ConsumerUsage(int position) {
    if (position < 0 || position >= kConsumerTableSize) return 0;
    return kConsumerTable[position];
}

int KeyIndexOf(KeyCode code) { return IndexOf(code); }

KeyCode KeyCodeOfIndex(int index) { return CodeOfIndex(index); }

KeyCode KeyCodeAtListPosition(uint16_t listPosition) {
    for (int i = 0; i < kCatalogueSize; ++i)
        if (kCatalogue[i].listPosition == listPosition) return CodeOfIndex(i);
    return 0;
}

uint16_t ListPositionOf(KeyCode code) { return CatalogueEntry(IndexOf(code)).listPosition; }

DeviceCode ClassifyDeviceCode(KeyCode code) {
    const uint8_t device = CatalogueEntry(IndexOf(code)).deviceCode;
    if (device == 0 || device == 0xFF) return {kDeviceClassNone, 0};
    if (device >= 0x81 && device <= 0x83) return {kDeviceClassSystem, device};
    if (device >= 0xF1 && device <= 0xF8) return {kDeviceClassMouse, device};
    return {kDeviceClassKeyboard, device};
}

KeyCode KeyCodeFromDevice(int deviceClass, uint16_t value) {
    unsigned device = 0;
    switch (deviceClass) {
        case kDeviceClassKeyboard:
            device = value <= 0xFF ? value : 0;
            break;
        case kDeviceClassSystem:
            device = value >= 0x81 && value <= 0x83 ? value : 0;
            break;
        case kDeviceClassConsumer:
            for (int i = 0; i < kConsumerTableSize; ++i) {
                if (kConsumerTable[i] == value) {
                    device = kConsumerDeviceCodeBase + static_cast<unsigned>(i);
                    break;
                }
            }
            break;
        default:
            break;
    }
    if (device == 0) return 0;
    return CodeOfIndex(kDeviceCodeTable[device]);
}

KeyCode KeyCodeFromVirtualKey(uint8_t virtualKey) { return CodeOfIndex(kVirtualKeyTable[virtualKey]); }

KeyCode KeyCodeFromMessage(uint8_t virtualKey, uint32_t flags) {
    const KeyCode c = static_cast<KeyCode>((flags >> 16) & 0x1FF);
    const KeyCode b = KeyCodeFromVirtualKey(virtualKey);
    if (c == 0x036) return c;  // right Shift reports its own scan code whatever the virtual key
    if (virtualKey == kNoVirtualKey) return c;
    if ((c & 0xFF) == 0) return b;
    const KeyEntry& entry = CatalogueEntry(IndexOf(c));
    if (entry.virtualKey == virtualKey || entry.alternateVirtualKey == virtualKey ||
        kVirtualKeyTable[virtualKey] == (c & 0xFF))
        return c;
    return b;
}

bool IsReleaseOnlyKey(KeyCode code) {
    return code == 0x054 || code == 0x071 || code == 0x072 || code == 0x137;
}

uint8_t ModifierBit(KeyCode code) {
    for (const auto& m : kModifiers)
        if (m.code == code) return m.bit;
    return 0;
}

KeyCode ModifierFromMask(uint8_t mask) {
    for (const auto& m : kModifiers)
        if (mask & m.bit) return m.code;
    return 0;
}

PictureControl PictureKeyOfControl(int controlId) {
    for (int i = 0; i < kPictureKeyCount; ++i)
        if (kPictureKeys[i].control == controlId) return {PictureControl::kKey, i};
    for (int b = 0; b < kGButtonCount; ++b)
        if (kGButtonControls[b] == controlId) return {PictureControl::kGButton, b};
    return {PictureControl::kNone, -1};
}

int ControlOfPictureKey(int position) {
    if (position < 0 || position >= kPictureKeyCount) return 0;
    return kPictureKeys[position].control;
}

int ControlOfGButton(int button) {
    if (button < 0 || button >= kGButtonCount) return 0;
    return kGButtonControls[button];
}

KeyCode GKeyCode(int bank, int button) {
    if (bank < 0 || bank >= kGBankCount || button < 0 || button >= kGButtonCount) return 0;
    return static_cast<KeyCode>(kGKeyCodeBase + bank * kGButtonCount + button);
}

bool IsGKeyCode(KeyCode code) { return code >= kGKeyCodeBase && code < kGKeyCodeBase + kGSlotCount; }

int GSlotOfCode(KeyCode code) { return IsGKeyCode(code) ? code - kGKeyCodeBase : -1; }

uint16_t GSlotTag(int slot) {
    if (slot < 0 || slot >= kGSlotCount) return 0;
    if (slot < kGButtonCount) return static_cast<uint16_t>(0x0301 + slot);
    return static_cast<uint16_t>(0x1301 + slot - kGButtonCount);
}

}  // namespace kv
