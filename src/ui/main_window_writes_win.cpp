// Runs on the main window's thread. A write to the keyboard (Apply, import) runs on a thread of its own
// while this thread pumps messages; what arrives meanwhile must neither start keyboard traffic of its own
// inside the write's bracket nor replace the working data under it, so the events that need the keyboard
// are noted here and run once when the write has ended, and every window that could start a write is
// disabled until then. Other threads' traffic waits for the bracket by itself (device/keyboard_bracket.h).
#include <algorithm>
#include <utility>
#include <vector>

#include "app/app_messages.h"
#include "ui/main_dialog_win.h"
#include "ui/progress_thread_win.h"
#include "ui/resource_ids.h"

namespace kv {
namespace {

enum PutOff : unsigned { kPutOffProfile = 1, kPutOffOpen = 2, kPutOffLighting = 4 };


BOOL CALLBACK CollectEnabled(HWND window, LPARAM param) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(param);
    if (IsWindowVisible(window) && IsWindowEnabled(window)) list->push_back(window);
    return TRUE;
}

}  // namespace

bool CKelvaneDlg::StartWriting() {
    if (applying_) return false;
    applying_ = true;
    disabledForWrite_.clear();
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabledForWrite_));
    if (IsWindowEnabled(m_hWnd) &&
        std::find(disabledForWrite_.begin(), disabledForWrite_.end(), m_hWnd) == disabledForWrite_.end())
        disabledForWrite_.push_back(m_hWnd);  // hidden in the notification area, it still takes commands
    for (HWND w : disabledForWrite_) EnableWindow(w, FALSE);
    return true;
}

void CKelvaneDlg::EndWriting() {
    for (HWND w : disabledForWrite_)
        if (IsWindow(w)) EnableWindow(w, TRUE);
    disabledForWrite_.clear();
    applying_ = false;
    const unsigned putOff = std::exchange(putOff_, 0u);
    if (exiting_) return;
    if (exitAfterApply_) {
        exitAfterApply_ = false;
        PostMessageW(m_hWnd, MSG_KILL, TAG_KILL, 0);
        return;
    }
    // Posted, so that they run from the message loop once the caller of the write has finished too.
    if (putOff & kPutOffProfile) PostMessageW(m_hWnd, MSG_PROFILE, TAG_PROFILE, 0);
    else if (putOff & kPutOffLighting) SetTimer(m_hWnd, TIMER_RELOAD_LIGHTING, 0, nullptr);  // the attach reloads it too
    if (putOff & kPutOffOpen) PostMessageW(m_hWnd, MSG_OPEN, TAG_OPEN, 0);
}

bool CKelvaneDlg::PutOffWhileWriting(UINT event) {
    if (!applying_) return false;
    if (event == MSG_PROFILE) putOff_ |= kPutOffProfile;
    else if (event == MSG_OPEN) putOff_ |= kPutOffOpen;
    else if (event == TIMER_RELOAD_LIGHTING) putOff_ |= kPutOffLighting;
    else return false;
    return true;
}

void CKelvaneDlg::RunKeyboardWork(const std::function<void()>& work) {
    if (!StartWriting()) return;  // never while another write runs: its commands are not taken
    ProgressThread progress;
    const bool withIndicator = progress.Start(m_hWnd, GetDlgItem(m_hWnd, IDC_BUSY_INDICATOR));
    if (withIndicator) progress.Show();
    RunWhilePumping(work);
    if (withIndicator) progress.Hide();
    EndWriting();
}

}  // namespace kv
