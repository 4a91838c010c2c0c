// Runs on the main window's thread. Keyboard reads block it for their duration (the HID service answers on
// its own thread, which never waits for the window); an import's reads and write run in the host's
// RunKeyboardWork, on a thread of their own while the window pumps its messages.
#include "profiles/profile_flows_win.h"

#include <cstring>
#include <optional>

#include "device/commands.h"
#include "keys/assignment_action_code.h"
#include "macros/keyboard_data_link.h"
#include "macros/profile_data.h"
#include "macros/profile_write.h"
#include "profiles/profile_exchange.h"
#include "profiles/profile_switch.h"
#include "profiles/profile_transfer.h"
#include "profiles/profile_window_win.h"
#include "profiles/waiting_edits_win.h"
#include "ui/device_link_win.h"

namespace kv {

namespace {

// Shows the wait cursor while the keyboard is read or written.
class WaitCursor {
public:
    WaitCursor() : old_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(old_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR old_;
};

// The keyboard's macro area for an import: read now, or as read at attach; unknown when neither worked (the
// largest area is never assumed: macros that do not fit would be cut on the keyboard).
std::optional<std::size_t> ImportMacroCapacity() {
    uint8_t info[kInfoSize] = {};
    if (ReadInfo(info) == kResultSuccess) return std::size_t{info[kInfoCapacityOffset]} * 128;
    if (const int known = KeyboardMacroCapacity(); known > 0) return static_cast<std::size_t>(known);
    return std::nullopt;
}

}  // namespace

ProfileFlows::ProfileFlows(MainWindowHost& host, KeyAssignmentPart* keyDialog, ModalDialogPart* profileManager,
                           UserDialogs& dialogs)
    : host_(host), keyDialog_(keyDialog), profileManager_(profileManager), dialogs_(dialogs) {}

void ProfileFlows::LoadOnAttach() {
    // Edits that wait to be applied stay; the keyboard's information block and default table, read before
    // this, are all the attach takes from it then.
    if (!KeepWaitingEditsOnAttach(host_)) {
        WaitCursor wait;
        ReloadWorkingDataFromKeyboard();
    }
    host_.RefreshKeyMarks();
    ShowProfileCaption(host_.Window());
}

int ProfileFlows::SwitchProfile(int profile) {
    const int target = SwitchTarget(profile);
    const bool keyDialogOpen = keyDialog_ != nullptr && keyDialog_->OpenCount() > 0;
    const bool managerOpen = profileManager_ != nullptr && profileManager_->IsOpen();
    const bool unapplied = host_.IsDirty() || (managerOpen && profileManager_->HasUnappliedChanges());
    switch (StartSwitch(keyDialogOpen, questionOpen_, unapplied)) {
        case SwitchStart::RefuseKeyDialogOpen:
            dialogs_.Tell(host_.Window(), Text("PROFILE_SEELCT_PROMPT2"));
            return 0;
        case SwitchStart::RefuseQuestionOpen:
            return 0;
        case SwitchStart::Ask: {
            questionOpen_ = true;
            const bool apply = dialogs_.AskYesNo(host_.Window(), Text("PROFILE_SELECT_PROMPT"));
            questionOpen_ = false;
            if (apply) {
                (void)host_.ApplyNow();  // a failed write keeps Apply enabled; the switch goes on
            } else {
                host_.SetDirty(false);
                ReloadWorkingDataFromFile();
            }
            break;
        }
        case SwitchStart::Switch:
            break;
    }
    int result;
    {
        WaitCursor wait;
        result = WriteDeviceProfile(target);
    }
    if (!unapplied && managerOpen) profileManager_->DeviceProfileChanged(target);
    host_.RefreshKeyMarks();
    ShowProfileCaption(host_.Window());
    // The window checks the profile's button only when the keyboard really uses it now.
    return result == kResultSuccess ? 1 : 0;
}

void ProfileFlows::Import() {
    FileDialogRequest request;
    request.fileName = L"*.kvp";
    request.defaultExtension = L"kvp";
    request.filters = ProfileFileFilters();
    const FileChoice choice = dialogs_.ChooseFile(host_.Window(), request);
    if (!choice.path.empty()) ImportFile(choice.path);
}

void ProfileFlows::ImportFile(const std::wstring& path) {
    ImportOutcome out;
    // The file is checked before the keyboard is asked for anything: a bad file never reaches it.
    ProfileContent checked;
    if (ReadProfileForImport(path, checked).code != kValidateOk) {
        out = ImportProfileFile(path, WorkingFile(), TheProfileData(), TheProfileDataSnapshot(), CommandSetDataLink(),
                                std::nullopt, BuiltInDefaultKeyTable());
    } else {
        // Written as Apply writes: on a thread of its own, the window pumping with the busy animation.
        host_.RunKeyboardWork([&] {
            const std::optional<std::size_t> capacity = ImportMacroCapacity();
            const KeyTableBlock defaults = KeyboardDefaultKeys();
            out = ImportProfileFile(path, WorkingFile(), TheProfileData(), TheProfileDataSnapshot(), CommandSetDataLink(),
                                    capacity, defaults);
        });
    }
    if (!out.imported) {
        for (const char* key : {out.firstMessage, out.secondMessage}) {
            if (key == nullptr) continue;
            dialogs_.Tell(host_.Window(), std::strcmp(key, kMessageProfileFormatError) == 0 ? TextWith(key, path) : Text(key));
        }
        return;
    }
    host_.RefreshKeyMarks();
    // The keyboard does not hold what the window shows until a write succeeds in full: Apply stays offered.
    host_.SetDirty(!out.applied);
    if (out.write.messageKey != nullptr) dialogs_.Tell(host_.Window(), Text(out.write.messageKey));
    if (!out.applied && (out.write.messageKey == nullptr || std::strcmp(out.write.messageKey, kMessageMacroTooLong) != 0))
        dialogs_.Tell(host_.Window(), Text("PROFILE_IMPORT_WRITE_FAILED"));
}

void ProfileFlows::Export() {
    FileDialogRequest request;
    request.save = true;
    request.fileName = L"*.kvp";
    request.defaultExtension = L"kvp";
    request.filters = ProfileFileFilters();
    const std::wstring path = WithProfileExtension(dialogs_.ChooseFile(host_.Window(), request));
    if (path.empty()) return;
    if (!ExportProfile(path, TheProfileData())) dialogs_.Tell(host_.Window(), TextWith("PROFILE_EXPORT_FAILED", path));
}

std::unique_ptr<ProfileFlowsPart> MakeProfileFlows(MainWindowHost& host, const MainWindowParts& parts) {
    return std::make_unique<ProfileFlows>(host, parts.keyDialog.get(), parts.profileManager.get());
}

}  // namespace kv
