// The main window's side of the device link: binding the HID service at start-up, handing the keyboard's
// events to the device workers, and what the window asks of the workers' state.
#pragma once

#include <windows.h>

#include <cstdint>

namespace kv {

// The binding sequence with the workers registered for the keyboard's events. A missing library, a missing
// export or a failing Init ends the process silently with exit code 0.
void StartDeviceLink(HWND mainWindow);

// The main window created its notification-area icon (MSG_INIT); the attach workers wait for this.
void MarkWindowInitialised();

// "/Start", or the first attach already handled: the first attach does not open the window.
void MarkFirstAttachHandled();
// The attach state the workers last acted upon is non-zero.
[[nodiscard]] bool KeyboardAttached();
// The default key table in use: the keyboard's as last read, the built-in one until then.
void CopyDefaultKeyTable(uint8_t out[378]);
// Bytes of macro area the keyboard holds (information block byte 11 x 128, read on attach; 0 before).
[[nodiscard]] int KeyboardMacroCapacity();
// The keyboard's current on-board profile (cached), -1 when it cannot be read.
[[nodiscard]] int KeyboardProfile();
// The profile whose keys the window shows and the key dialog reads and stores in: the keyboard's current
// profile, or the window's while the keyboard cannot say.
[[nodiscard]] int KeyEditProfile();

}  // namespace kv
