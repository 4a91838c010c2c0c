// kvsim --uhid: the virtual keyboard's model presented to the system's HID stack through /dev/uhid (Linux),
// so that hidraw, hidapi and everything above them meet it as a real keyboard.
#pragma once

namespace kvsim {

// Runs until SIGINT or SIGTERM; the exit code (0 done, 1 /dev/uhid or the keyboard could not start).
int RunUhidKeyboard();

}  // namespace kvsim
