// The keyboard picture of the main window: 105 key buttons, nine G-key buttons and the Fn button, each an
// image button cut from the main window's skin pictures and placed from "Skins\Main.ini". It shows which
// keys carry an assignment (checked look and tooltip), the G-key bank, the selected key while its
// dialog is open, and on request each key's lighting colour as a frame. Runs on the main window's thread.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "keys/key_catalogue.h"
#include "skin/ini_file.h"
#include "skin/png_button.h"

namespace kv {

// Window property on the main window naming the key the last KeyClick opened the key assignment dialog
// on: the key index, plus 0x10000 with the macro flag; for tools and tests that look from outside.
inline constexpr wchar_t kKeyTargetProperty[] = L"Kelvane.KeyTarget";
inline constexpr uintptr_t kKeyTargetMacroFlag = 0x10000;

class KeyboardPicture {
public:
    // The pictures of the standard look: normal, hover, pressed, disabled (the checked look of an assigned
    // key is the disabled picture; a disabled key shows the normal one).
    struct Pictures {
        kv::skin::SkinSurface* normal = nullptr;
        kv::skin::SkinSurface* hover = nullptr;
        kv::skin::SkinSurface* pressed = nullptr;
        kv::skin::SkinSurface* disabled = nullptr;
    };

    // Takes over the template's G-key buttons and creates the key buttons and the Fn button.
    void Create(HWND window, const Pictures& pictures);
    // Places and skins every G-key and key button ("FUNC_G%d", "KEY_%03X"), then Fn ("KEY_FN").
    void LayOut(const CIniFile& layout);

    // The image button of a key, G-key or Fn control id; nullptr for any other id.
    [[nodiscard]] CPngButton* Button(UINT controlId);
    [[nodiscard]] static bool IsPictureControl(UINT controlId);

    // Looks of one button: standard, or selected while its key assignment dialog is open.
    void SetSelectedLook(UINT controlId);
    void RestoreLook(UINT controlId);

    // The checked look and the tooltip of every key and G-key from the working data of the profile; the
    // G-keys show the bank.
    void RefreshMarks(int profile, int bank);
    // The G-keys' checked looks only (after a bank switch).
    void RefreshGKeyMarks(int profile, int bank);

    // Frame mode with each key's lighting colour; keys without a colour keep their picture.
    void ShowColours(const std::function<bool(UINT controlId, COLORREF& colour)>& colourOf);
    // Frames off and checked flags off.
    void ClearColours();
    void Redraw();

    // Enables or disables every key button whose control is in the list (the Flip setting).
    void EnableKeys(const int* controls, int count, bool enabled);

private:
    void ForEach(const std::function<void(UINT id, CPngButton&)>& f);
    [[nodiscard]] SkinLooks StandardLooks() const;
    [[nodiscard]] SkinLooks SelectedLooks() const;

    HWND window_ = nullptr;
    Pictures pictures_;
    std::array<std::unique_ptr<CPngButton>, kPictureKeyCount> keys_;
    std::array<std::unique_ptr<CPngButton>, kGButtonCount> gKeys_;
    std::unique_ptr<CPngButton> fn_;
};

}  // namespace kv
