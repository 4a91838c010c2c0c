// Which picture the notification-area icon shows: the base picture follows the attach state (128 or 141),
// the busy picture (142) is shown over it until the busy state ends.
#pragma once

#include "app/app_messages.h"

namespace kv {

class TrayPictureState {
public:
    // mode 0 with a picture: show it and remember it as the base; mode 0 with 0: show the base again;
    // mode 1: show the busy picture. Returns true when the shown picture changes.
    bool Set(int mode, unsigned picture) {
        unsigned next;
        if (mode == 1) {
            next = kIconBusy;
        } else if (picture == 0) {
            next = base_;
        } else {
            base_ = picture;
            next = picture;
        }
        if (next == current_) return false;
        current_ = next;
        return true;
    }
    [[nodiscard]] unsigned Current() const { return current_; }
    [[nodiscard]] unsigned Base() const { return base_; }

private:
    unsigned current_ = kIconNoKeyboard;
    unsigned base_ = kIconNoKeyboard;
};

}  // namespace kv
