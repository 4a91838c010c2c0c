// The backend of the library that ships: the keyboard through the platform's HID layer.
#include "backend.h"
#include "hid/hid_keyboard.h"

namespace qvx {

std::unique_ptr<HidBackend> CreateBackend() { return std::make_unique<hid::HidKeyboard>(hid::SystemHidPort()); }

}  // namespace qvx
