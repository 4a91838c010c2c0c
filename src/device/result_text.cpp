#include "device/result_text.h"

#include "device/commands.h"

namespace kv {

const char* DescribeResult(int result) {
    switch (result) {
        case kResultSuccess: return "success";
        case kResultNoDevice: return "keyboard not present";
        case kResultWriteRefused: return "the HID service refused the write";
        case kResultNoAnswer: return "no matching answer from the keyboard";
        case kResultKeyboardHeld:
            return "the keyboard is held by another program; close the other keyboard tool and try again";
        case kResultStatusFF: return "the keyboard answered with status 0xFF";
        case kResultStatusFE: return "the keyboard answered with status 0xFE";
        case kResultBadProfile: return "profile number out of range";
        case kResultBadLength: return "length out of range";
        default: return "unexpected result";
    }
}

}  // namespace kv
