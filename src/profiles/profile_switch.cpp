#include "profiles/profile_switch.h"

namespace kv {

SwitchStart StartSwitch(bool keyDialogOpen, bool questionOpen, bool unappliedChanges) {
    if (keyDialogOpen) return SwitchStart::RefuseKeyDialogOpen;
    if (questionOpen) return SwitchStart::RefuseQuestionOpen;
    return unappliedChanges ? SwitchStart::Ask : SwitchStart::Switch;
}

std::u16string ProfileCaption(int deviceProfile, const std::filesystem::path& profileFile, std::u16string_view defaultName,
                              std::u16string_view tip) {
    std::u16string caption = deviceProfile >= 0 && deviceProfile < 3 ? profileFile.stem().u16string() : std::u16string(defaultName);
    caption += tip;
    return caption;
}

}  // namespace kv
