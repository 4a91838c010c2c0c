// The Windows HID layer's dealings with the rest of the system: the configuration manager's notifications
// of HID interfaces arriving and going and of a query-remove on a handle we hold, the power manager's
// suspend and resume, the exchange lock every program using the library shares, and the field log. No
// window is needed for any of it. Used by hid_port_win.cpp only.
#pragma once

#include <windows.h>

#include <string>

#include "hid/hid_port.h"

namespace qvx::hid::win {

// Starts passing the system's notifications to sink; false when this system has neither registration
// (the backend then polls). After UnwatchSystem returns, no sink call runs or starts.
[[nodiscard]] bool WatchSystem(HidEventSink sink, void* sinkContext);
void UnwatchSystem();

// A query-remove on an open handle is told as HidEvent::QueryRemove with the handle's collection id. The
// registration ends with UnwatchHandle, which never waits (it may run inside the notification itself).
[[nodiscard]] void* WatchHandle(HANDLE file, const std::string& id);
void UnwatchHandle(void* watch);

// The exchange lock: a named mutex of this session, open to every user's programs whatever their rights,
// so kvtool run by the user and the program run as administrator share it.
[[nodiscard]] bool LockExchange(int timeoutMs);
void UnlockExchange();

// The field log: above level 0, each line goes to the debugger's output and to "Quorvex.log" in the user
// folder (%LOCALAPPDATA%\Halvorn), stamped with the time and the process; the file is started afresh (the
// old one kept as "Quorvex.log.old") once it passes 1 MB.
void SetLogLevel(int level);
[[nodiscard]] bool LogOn();
void LogLine(const std::string& line);
// "what: error N (the system's text)".
void LogSystemError(const std::string& what, DWORD code);

// Collection ids are the interfaces' paths, which the system spells in either case: one spelling, lower case.
[[nodiscard]] std::string CanonicalId(const wchar_t* path);
// A collection id (UTF-8) as the wide path the system takes.
[[nodiscard]] std::wstring Widen(const std::string& text);

}  // namespace qvx::hid::win
