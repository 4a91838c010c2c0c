// The backend of the library that ships: the keyboard through the platform's HID layer.
#include <cstdlib>

#include "backend.h"
#include "hid/hid_keyboard.h"

namespace qvx {

// The program never calls Debug, so a support request's log is turned on from outside: KELVANE_HID_LOG=1
// in the environment of the program (or of kvtool) starts it at the first call into the library.
std::unique_ptr<HidBackend> CreateBackend() {
    auto backend = std::make_unique<hid::HidKeyboard>(hid::SystemHidPort());
    if (const char* level = std::getenv("KELVANE_HID_LOG"); level != nullptr && std::atoi(level) > 0)
        (void)backend->SetVerbosity(std::atoi(level));
    return backend;
}

}  // namespace qvx
