// Runs on the main window's thread; the working data is taken under its lock by the core functions.
#include "profiles/profile_window_win.h"

#include <algorithm>
#include <string>

#include "app/program_paths.h"
#include "device/commands.h"
#include "keys/assignment_action_code.h"
#include "macros/keyboard_data_link.h"
#include "macros/profile_data.h"
#include "profiles/keyboard_write_gate.h"
#include "profiles/profile_file.h"
#include "profiles/profile_paths.h"
#include "profiles/profile_switch.h"
#include "profiles/profile_transfer.h"
#include "profiles/user_dialogs_win.h"
#include "ui/device_link_win.h"

namespace kv {

std::filesystem::path WorkingFile() {
    const ProgramPaths& program = GetProgramPaths();
    return WorkingProfilePath(std::filesystem::path(GetUserPaths().folder),
                              std::filesystem::path(ProfileSettingsPath(program.templatePrefix, 3)));
}

void ReloadWorkingDataFromKeyboard() {
    const std::filesystem::path working = WorkingFile();
    ProfileData& data = TheProfileData();
    if (GetDeviceProfile() < 0) {
        UseDefaultBlockUnread(data);
        return;
    }
    const std::wstring prefix = Text("MACRO_NEW_PREFIX");
    (void)RefreshFromKeyboard(CommandSetDataLink(), KeyboardDefaultKeys(), std::u16string(prefix.begin(), prefix.end()),
                              working, data);
}

KeyTableBlock KeyboardDefaultKeys() {
    KeyTableBlock defaults{};
    CopyDefaultKeyTable(defaults.data());
    if (std::any_of(defaults.begin(), defaults.end(), [](uint8_t b) { return b != 0; })) return defaults;
    if (ReadDefaultKeyTable(defaults.data()) == kResultSuccess) return defaults;
    return BuiltInDefaultKeyTable();
}

void ReloadWorkingDataFromFile() { DiscardEdits(WorkingFile(), TheProfileData()); }

std::size_t ReadKeyboardMacroCapacity() {
    uint8_t info[kInfoSize] = {};
    if (ReadInfo(info) != kResultSuccess) return kMacroAreaLimit;
    return std::size_t{info[kInfoCapacityOffset]} * 128;
}

void ShowProfileCaption(HWND window) {
    const std::wstring fallback = Text("DEFAULT_PROFILE_NAME"), tip = Text("PROFILE_TIP");
    const std::u16string caption = ProfileCaption(GetDeviceProfile(), WorkingFile(), std::u16string(fallback.begin(), fallback.end()),
                                                  std::u16string(tip.begin(), tip.end()));
    SetWindowTextW(window, std::wstring(caption.begin(), caption.end()).c_str());
}

}  // namespace kv
