// Threads: any thread that talks to the keyboard (the main window's, Apply's writer, the device workers,
// kvtool's). g_keyboard is held by one exchange at a time and, from SendBegin to SendEnd, by the thread
// whose bracket is open; t_owner says whether this thread has one open. The HID service's thread never takes
// it (answers are delivered without it).
#include "device/keyboard_bracket.h"

#include <atomic>
#include <mutex>

namespace kv {
namespace {

std::recursive_mutex g_keyboard;
thread_local bool t_owner = false;
std::atomic<int> g_open{0};

}  // namespace

KeyboardTurn::KeyboardTurn() { g_keyboard.lock(); }

KeyboardTurn::~KeyboardTurn() { g_keyboard.unlock(); }

void OpenKeyboardBracket() {
    if (t_owner) return;  // a begin inside this thread's own bracket does not start another
    g_keyboard.lock();
    t_owner = true;
    g_open.fetch_add(1);
}

void CloseKeyboardBracket() {
    if (!t_owner) return;
    t_owner = false;
    g_open.fetch_sub(1);
    g_keyboard.unlock();
}

bool KeyboardBracketOpen() { return g_open.load() > 0; }

}  // namespace kv
