#include "virtual/keyboard_descriptor.h"

namespace qvx {

const std::vector<uint8_t>& KeyboardReportDescriptor() {
    // Three top-level collections on one interface, every report numbered.
    static const std::vector<uint8_t> descriptor = {
        0x06, 0x1C, 0xFF,              // Usage Page (0xFF1C)
        0x09, 0x92,                    // Usage (0x92)
        0xA1, 0x01,                    // Collection (Application)
        0x85, 0x04,                    //   Report ID (4)
        0x15, 0x00, 0x26, 0xFF, 0x00,  //   Logical Minimum (0), Logical Maximum (255)
        0x75, 0x08, 0x95, 0x3F,        //   Report Size (8), Report Count (63)
        0x09, 0x01, 0x81, 0x02,        //   Usage (1), Input (Data, Var, Abs)
        0x09, 0x01, 0x91, 0x02,        //   Usage (1), Output (Data, Var, Abs)
        0xC0,                          // End Collection
        0x05, 0x0C,                    // Usage Page (Consumer)
        0x09, 0x01,                    // Usage (Consumer Control)
        0xA1, 0x01,                    // Collection (Application)
        0x85, 0x03,                    //   Report ID (3)
        0xA4,                          //   Push
        0x75, 0x10, 0x95, 0x01,        //   Report Size (16), Report Count (1)
        0x19, 0x00, 0x2A, 0xFF, 0x3F,  //   Usage Minimum (0), Usage Maximum (0x3FFF)
        0x81, 0x00,                    //   Input (Data, Array)
        0xB4,                          //   Pop
        0xA1, 0x02,                    //   Collection (Logical), nested
        0x0B, 0x01, 0x00, 0x0C, 0x00,  //     Usage (0x000C:0001), four bytes
        0xC0,                          //   End Collection
        0xC0,                          // End Collection
        0x05, 0x08,                    // Usage Page (LED)
        0x09, 0x89,                    // Usage (0x89)
        0xA1, 0x01,                    // Collection (Application)
        0x85, 0x05,                    //   Report ID (5)
        0x75, 0x08, 0x95, 0x01,        //   Report Size (8), Report Count (1)
        0x09, 0x89, 0x91, 0x02,        //   Usage (0x89), Output
        0xC0,                          // End Collection
    };
    return descriptor;
}

}  // namespace qvx
