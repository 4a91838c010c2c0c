// Runs the real Kelvane.exe for end-to-end tests: each session has its own virtual keyboard (control channel
// and state file), its own user folder, and kills what it started on teardown, so the instance mutex is free
// for the next test. Also finds the program's windows and message boxes from outside, as a user sees them.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "control_client.h"

namespace kvtest {

// Folder of the test executable (the build's bin folder, where the programs are).
[[nodiscard]] std::wstring BinFolder();

// Polls until pred() holds or the time is up; returns the last result.
bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds limit = std::chrono::seconds(10));

// Returns once the window's thread has handled every message posted to it before the call, and, round by
// round, what those handlers posted in turn: a marker is posted and awaited behind them. Where a test shows
// that something did NOT happen, it waits for this instead of sleeping. False when the window is gone or
// does not get there within the limit.
bool SettleWindow(HWND w, int rounds = 2, std::chrono::milliseconds limit = std::chrono::seconds(10));

struct Launched {
    HANDLE process = nullptr;
    DWORD pid = 0;
};

class AppSession {
public:
    // name: unique per test; attached: whether the virtual keyboard is plugged in when the program starts.
    explicit AppSession(const std::string& name, bool attached = true);
    ~AppSession();
    AppSession(const AppSession&) = delete;
    AppSession& operator=(const AppSession&) = delete;

    // Starts Kelvane.exe from folder (the bin folder by default) with the arguments; the first launch is the
    // session's instance, every launch is killed on teardown if still running.
    Launched Launch(const std::wstring& args, const std::wstring& folder = BinFolder());
    // The instance: the earliest launch that is still running (0 when none is).
    [[nodiscard]] DWORD Pid() const;

    // The exit code, or STILL_ACTIVE when the process has not ended within the time.
    DWORD WaitExit(const Launched& p, std::chrono::milliseconds limit = std::chrono::seconds(15));

    // The instance's main window (top-level, user data "MAIN"), or null.
    [[nodiscard]] HWND MainWindow() const;
    // Waits until the instance has handled MSG_INIT (its tray icon exists). False on time-out.
    bool WaitInitialised(std::chrono::milliseconds limit = std::chrono::seconds(15));
    // The notification-area picture the instance shows (128, 141, 142), 0 before the icon exists.
    [[nodiscard]] unsigned TrayPicture() const;
    [[nodiscard]] bool MainVisible() const;

    // A visible message box (#32770) of the instance with that caption, or null.
    [[nodiscard]] HWND FindMessageBox(const std::wstring& caption) const;
    HWND WaitMessageBox(const std::wstring& caption, std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Every visible top-level dialog of the instance other than the main window.
    [[nodiscard]] std::vector<HWND> OtherDialogs() const;

    [[nodiscard]] const qvx::ControlClient& Vk() const { return vk_; }
    [[nodiscard]] const std::wstring& UserFolderRoot() const { return userRoot_; }
    // A folder of the session's own, deleted on teardown (for program folders made up by a test).
    [[nodiscard]] std::wstring ScratchFolder(const std::wstring& name) const;

private:
    std::wstring scratch_;
    std::wstring userRoot_;
    qvx::ControlClient vk_;
    std::vector<Launched> launched_;
};

// A started program with the keyboard attached (coming in on keyboardProfile), its window shown and the
// attach reads done, the keyboard's log cleared.
struct ShownSession {
    explicit ShownSession(const std::string& name, int keyboardProfile = 0);
    // Restore defaults, answered Yes: the keys of the current profile change and Apply runs.
    void RestoreDefaults();
    AppSession s;
    HWND main = nullptr;
};

// Every report the session's keyboard received on its vendor collection, oldest first.
[[nodiscard]] std::vector<std::vector<uint8_t>> VendorReports(const AppSession& s);
// Runs kvtool.exe from the bin folder with the session's keyboard (plugged in for the tool); its exit code.
DWORD RunKvtool(const std::wstring& arguments);

// The text of a message box's message.
[[nodiscard]] std::wstring MessageBoxText(HWND box);
[[nodiscard]] std::wstring WindowText(HWND w);
// Answers a message box with a button (IDOK, IDCANCEL, IDYES, IDNO).
void Answer(HWND box, int button);

}  // namespace kvtest
