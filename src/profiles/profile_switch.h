// The rules of switching the keyboard's on-board profile from the window, apart from the window itself:
// which profile a request means, whether it may go ahead or must ask first, and the profile caption.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kv {

// A profile number outside 0..2 means profile 0.
[[nodiscard]] constexpr int SwitchTarget(int profile) { return profile >= 0 && profile < 3 ? profile : 0; }

enum class SwitchStart {
    RefuseKeyDialogOpen,  // "PROFILE_SEELCT_PROMPT2"; nothing changes
    RefuseQuestionOpen,   // a question about unapplied changes is on screen already: never two at once
    Ask,                  // "PROFILE_SELECT_PROMPT": Yes applies, No discards
    Switch,
};

[[nodiscard]] SwitchStart StartSwitch(bool keyDialogOpen, bool questionOpen, bool unappliedChanges);

// The window's caption: the profile data file's title when the keyboard's profile is known (0-2), else
// the default profile name; then the caption tip.
[[nodiscard]] std::u16string ProfileCaption(int deviceProfile, const std::filesystem::path& profileFile,
                                            std::u16string_view defaultName, std::u16string_view tip);

}  // namespace kv
