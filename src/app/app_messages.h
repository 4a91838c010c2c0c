// Window messages, timers, commands and identifiers shared by the main window, the notification-area icon,
// the device workers and the single-instance protocol. Custom messages carry a four-character tag in wParam
// that the receiver checks before acting.
#pragma once

#include <cstdint>

namespace kv {

// Custom messages to the main window and their wParam tags.
inline constexpr unsigned MSG_OPEN = 0x5350;
inline constexpr uint32_t TAG_OPEN = 0x4F50454E;  // "OPEN"
inline constexpr unsigned MSG_KILL = 0x4D4B;
inline constexpr uint32_t TAG_KILL = 0x4C4C494B;  // "KILL" in memory order
inline constexpr unsigned MSG_INIT = 0x4D4E;
inline constexpr uint32_t TAG_INIT = 0x494E4954;  // "INIT"
inline constexpr unsigned MSG_PROFILE = 0x5452;
inline constexpr uint32_t TAG_PROFILE = 0x50524F46;  // "PROF"
inline constexpr unsigned MSG_DETACHED = 0x4753;     // wParam not checked
inline constexpr unsigned MSG_BANK = 0x5045;
inline constexpr uint32_t TAG_BANK = 0x004C4544;  // "DEL"
inline constexpr unsigned MSG_LANGUAGE = 0x5041;
inline constexpr uint32_t TAG_LANGUAGE = 0x4C414E47;  // "LANG"
inline constexpr unsigned MSG_SLIDER = 0x28D1;
// Posted to itself after the window's first showing: builds the hidden dialogs the first click opens.
inline constexpr unsigned MSG_PREPARE = 0x5052;
inline constexpr uint32_t TAG_PREPARE = 0x50524550;  // "PREP"

// The notification-area icon: identifier (also its menu resource) and callback message.
inline constexpr unsigned TRAY_ICON_ID = 140;
inline constexpr unsigned MSG_TRAY_CALLBACK = 1725;

// Timers on the main window.
inline constexpr unsigned TIMER_BUSY = 1050;             // 50 ms, busy indicator frames
inline constexpr unsigned TIMER_RELOAD_LIGHTING = 1051;  // one shot, lighting changed on the keyboard
inline constexpr unsigned TIMER_PREVIEW = 1052;          // 100 ms after start-up, then 50 ms
inline constexpr unsigned kBusyTimerPeriodMs = 50;
inline constexpr unsigned kPreviewFirstPeriodMs = 100;
inline constexpr unsigned kPreviewPeriodMs = 50;

// Thread messages of the progress thread.
inline constexpr unsigned MSG_PROGRESS_SHOW = 1025;
inline constexpr unsigned MSG_PROGRESS_HIDE = 1026;

// The user-data word that marks the main window for the single-instance protocol: "MAIN".
inline constexpr uint32_t kMainWindowTag = 0x4D41494E;

// Pictures of the notification-area icon (icon resources).
inline constexpr unsigned kIconNoKeyboard = 128;
inline constexpr unsigned kIconAttached = 141;
inline constexpr unsigned kIconBusy = 142;

// True when wParam carries the tag the message expects.
[[nodiscard]] constexpr bool HasTag(uintptr_t wParam, uint32_t tag) { return wParam == tag; }

}  // namespace kv
