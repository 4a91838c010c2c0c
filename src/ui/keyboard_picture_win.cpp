// Runs on the main window's thread. The working data is read under its own lock, one slot at a time; the
// tooltip texts are made after the lock is given back (describing a macro takes the lock itself).
#include "ui/keyboard_picture_win.h"

#include <cstdio>
#include <mutex>
#include <vector>

#include "keys/assignment_describe.h"
#include "keys/assignment_table.h"
#include "macros/profile_data.h"
#include "skin/language_text_source.h"
#include "skin/placement.h"

namespace kv {
namespace {

std::wstring LayoutKeyOfIndex(int keyIndex) {
    wchar_t key[16];
    swprintf(key, 16, L"KEY_%03X", static_cast<unsigned>(keyIndex));
    return key;
}

}  // namespace

void KeyboardPicture::Create(HWND window, const Pictures& pictures) {
    window_ = window;
    pictures_ = pictures;
    for (int g = 0; g < kGButtonCount; ++g) {
        gKeys_[g] = std::make_unique<CPngButton>();
        (void)gKeys_[g]->SubclassDlgItem(ControlOfGButton(g), window);
    }
    const RECT none{0, 0, 1, 1};
    for (int p = 0; p < kPictureKeyCount; ++p) {
        keys_[p] = std::make_unique<CPngButton>();
        (void)keys_[p]->Create(window, ControlOfPictureKey(p), L"", none);
    }
    fn_ = std::make_unique<CPngButton>();
    (void)fn_->Create(window, kFnButtonControl, L"", none);
}

SkinLooks KeyboardPicture::StandardLooks() const {
    return {pictures_.normal, pictures_.hover, pictures_.pressed, pictures_.normal, pictures_.disabled};
}

SkinLooks KeyboardPicture::SelectedLooks() const {
    return {pictures_.hover, pictures_.hover, pictures_.pressed, pictures_.normal, pictures_.hover};
}

void KeyboardPicture::LayOut(const CIniFile& layout) {
    const SkinLooks looks = StandardLooks();
    for (int g = 0; g < kGButtonCount; ++g) {
        wchar_t key[16];
        swprintf(key, 16, L"FUNC_G%d", g + 1);
        kv::skin::PlaceButton(*gKeys_[g], layout, L"BUTTONINFO", key, looks);
    }
    for (int p = 0; p < kPictureKeyCount; ++p) {
        const std::wstring key = LayoutKeyOfIndex(KeyIndexOf(PictureKeyCode(p)));
        kv::skin::PlaceButton(*keys_[p], layout, L"BUTTONINFO", key.c_str(), looks);
    }
    kv::skin::PlaceButton(*fn_, layout, L"BUTTONINFO", L"KEY_FN", looks);
}

bool KeyboardPicture::IsPictureControl(UINT controlId) {
    return controlId == static_cast<UINT>(kFnButtonControl) ||
           PictureKeyOfControl(static_cast<int>(controlId)).kind != PictureControl::kNone;
}

CPngButton* KeyboardPicture::Button(UINT controlId) {
    if (controlId == static_cast<UINT>(kFnButtonControl)) return fn_.get();
    const PictureControl c = PictureKeyOfControl(static_cast<int>(controlId));
    if (c.kind == PictureControl::kKey) return keys_[static_cast<std::size_t>(c.position)].get();
    if (c.kind == PictureControl::kGButton) return gKeys_[static_cast<std::size_t>(c.position)].get();
    return nullptr;
}

void KeyboardPicture::ForEach(const std::function<void(UINT id, CPngButton&)>& f) {
    for (int g = 0; g < kGButtonCount; ++g)
        if (gKeys_[g]) f(static_cast<UINT>(ControlOfGButton(g)), *gKeys_[g]);
    for (int p = 0; p < kPictureKeyCount; ++p)
        if (keys_[p]) f(static_cast<UINT>(ControlOfPictureKey(p)), *keys_[p]);
    if (fn_) f(static_cast<UINT>(kFnButtonControl), *fn_);
}

void KeyboardPicture::SetSelectedLook(UINT controlId) {
    if (CPngButton* b = Button(controlId)) b->SetImages(SelectedLooks(), false);
}

void KeyboardPicture::RestoreLook(UINT controlId) {
    if (CPngButton* b = Button(controlId)) b->SetImages(StandardLooks(), true);
}

void KeyboardPicture::RefreshGKeyMarks(int profile, int bank) {
    if (profile < 0 || profile > 2) return;
    std::array<bool, kGButtonCount> marks{};
    {
        const ProfileData& data = TheProfileData();
        std::lock_guard<std::mutex> lock(data.lock);
        if (data.content.table.size() < kAssignmentTableSize) return;
        for (int g = 0; g < kGButtonCount; ++g) {
            const KeySlot slot = ReadSlot(data.content.Table(), static_cast<std::size_t>(profile),
                                          kGKeyFirstIndex + static_cast<std::size_t>(bank * kGButtonCount + g));
            marks[static_cast<std::size_t>(g)] = slot.type != 0;
        }
    }
    for (int g = 0; g < kGButtonCount; ++g) gKeys_[g]->SetChecked(marks[static_cast<std::size_t>(g)], true);
}

void KeyboardPicture::RefreshMarks(int profile, int bank) {
    if (profile < 0 || profile > 2) return;
    struct Entry {
        CPngButton* button;
        int gButton;
        KeyCode key;
        std::size_t keyIndex;
        KeySlot slot;
    };
    std::vector<Entry> entries;
    entries.reserve(kGButtonCount + kPictureKeyCount);
    for (int g = 0; g < kGButtonCount; ++g)
        entries.push_back({gKeys_[g].get(), g, GKeyCode(bank, g),
                           kGKeyFirstIndex + static_cast<std::size_t>(bank * kGButtonCount + g), {}});
    for (int p = 0; p < kPictureKeyCount; ++p) {
        const KeyCode code = PictureKeyCode(p);
        entries.push_back({keys_[p].get(), -1, code, static_cast<std::size_t>(KeyIndexOf(code)), {}});
    }
    ProfileData& data = TheProfileData();
    {
        std::lock_guard<std::mutex> lock(data.lock);
        if (data.content.table.size() < kAssignmentTableSize) return;
        for (Entry& e : entries)
            if (e.keyIndex < kSlotsPerSection)
                e.slot = ReadSlot(data.content.Table(), static_cast<std::size_t>(profile), e.keyIndex);
    }
    const CurrentLanguageTexts texts;
    for (const Entry& e : entries) {
        const AssignmentPrompt prompt = DescribeAssignment(e.gButton, e.key, e.slot, data, texts);
        e.button->SetChecked(prompt.assignedLook, true);
        e.button->SetTooltipOnDemand(prompt.text.c_str());
    }
}

void KeyboardPicture::ShowColours(const std::function<bool(UINT, COLORREF&)>& colourOf) {
    ForEach([&](UINT id, CPngButton& b) {
        COLORREF colour = 0;
        if (colourOf(id, colour)) b.SetFrame(colour, true);
    });
}

void KeyboardPicture::ClearColours() {
    ForEach([](UINT, CPngButton& b) {
        b.SetFrame(0, false);
        b.SetChecked(false, true);
    });
}

void KeyboardPicture::Redraw() {
    ForEach([](UINT, CPngButton& b) { b.Redraw(); });
}

void KeyboardPicture::EnableKeys(const int* controls, int count, bool enabled) {
    for (int i = 0; i < count; ++i)
        if (HWND w = GetDlgItem(window_, controls[i]); w != nullptr) EnableWindow(w, enabled ? TRUE : FALSE);
}

}  // namespace kv
