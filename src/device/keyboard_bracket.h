// The keyboard takes a write as one bracket: SendBegin, the writes, SendEnd. Nothing else may reach it in
// between, whichever thread or window asks, or it takes that traffic into the write. The thread that sent
// SendBegin owns the keyboard until its SendEnd; every other thread's command waits until then.
#pragma once

namespace kv {

// Held by the command set around each exchange. Waits while another thread's bracket is open; the thread
// that owns the open bracket passes at once.
class KeyboardTurn {
public:
    KeyboardTurn();
    ~KeyboardTurn();
    KeyboardTurn(const KeyboardTurn&) = delete;
    KeyboardTurn& operator=(const KeyboardTurn&) = delete;
};

// SendBegin opens the calling thread's bracket (waiting for another thread's to end first); a begin while
// the thread's own bracket is open keeps that one. SendEnd closes it; an end without a begin on that thread
// changes nothing.
void OpenKeyboardBracket();
void CloseKeyboardBracket();

// A bracket is open on some thread.
[[nodiscard]] bool KeyboardBracketOpen();

}  // namespace kv
