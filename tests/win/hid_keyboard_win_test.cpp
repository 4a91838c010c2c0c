// The hardware backend built for Windows, over the fake HID layer, under Wine.
#include "support/hid_keyboard_cases.h"
