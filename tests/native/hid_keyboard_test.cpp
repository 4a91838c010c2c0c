// The hardware backend natively, over the fake HID layer.
#include "support/hid_keyboard_cases.h"
