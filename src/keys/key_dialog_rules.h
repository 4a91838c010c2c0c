// The key assignment dialog's rules that need no window: where it opens beside the clicked key, and
// which assignment its pages give the key when it applies.
#pragma once

#include <cstdint>

#include "keys/assignment_table.h"
#include "keys/key_catalogue.h"

namespace kv {

struct ScreenBox {
    int left = 0, top = 0, right = 0, bottom = 0;
};
struct ScreenPoint {
    int x = 0, y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

// The first corner beside the button where a w x h window fits on the screen: below right, above right,
// below left, above left; below right when none fits. The screen may start anywhere (another monitor).
[[nodiscard]] ScreenPoint PlaceBesideButton(const ScreenBox& button, int w, int h, const ScreenBox& screen);
[[nodiscard]] ScreenPoint CentreOnScreen(int w, int h, const ScreenBox& screen);

// Where the key, mouse, multimedia and function choices stand when the dialog opens on a key: from the
// key's own assignment where it is of that kind, else at the first entry (keyboard mode, no key). The
// dialog is kept between openings, so nothing of the last key's choices may be left standing.
struct KeyDialogStart {
    bool keyboardMode = true;
    KeyCode capturedKey = kNoKey;
    int mouseEntry = 0;
    int mediaEntry = 0;
    int functionEntry = 0;
    bool operator==(const KeyDialogStart&) const = default;
};
[[nodiscard]] KeyDialogStart StartFromSlot(uint16_t type, uint32_t value);

// What the pages hold when the dialog applies.
struct KeyDialogChoice {
    uint16_t type = ASSIGN_DEFAULT;  // 0, 2, 4, 7 or 8
    int targetKeyIndex = 0;          // the key being edited
    bool keyboardMode = true;        // key page: the keyboard radio button (else the mouse list)
    KeyCode capturedKey = kNoKey;
    int mouseEntry = 0;
    bool haveMacro = false;  // macro page: a current macro (the list is not empty)
    uint16_t macroId = 0;
    int repeat = 1;
    int mediaEntry = 0;
    int functionEntry = 0;
};

struct SlotChange {
    uint16_t type = ASSIGN_DEFAULT;
    uint16_t tag = 0;  // 0: the slot's own tag; a macro's repeat count
    uint32_t value = 0;
    bool operator==(const SlotChange&) const = default;
};

// A key given itself, no key, or an empty macro list leaves the key at its default function.
[[nodiscard]] SlotChange AssignmentFromChoice(const KeyDialogChoice& choice);

}  // namespace kv
