#include "ui/key_click_target.h"

#include "keys/key_catalogue.h"

namespace kv {

std::optional<KeyClickTarget> TargetOfKeyControl(int controlId, int bank) {
    const PictureControl control = PictureKeyOfControl(controlId);
    KeyClickTarget target;
    target.macroFlag = controlId == kMacroGKeyControl;
    switch (control.kind) {
        case PictureControl::kGButton:
            target.gButton = control.position;
            target.keyIndex = 0x100 + control.position + (bank != 0 ? kGButtonCount : 0);
            return target;
        case PictureControl::kKey:
            target.keyIndex = KeyIndexOf(PictureKeyCode(control.position));
            return target;
        default: return std::nullopt;
    }
}

}  // namespace kv
