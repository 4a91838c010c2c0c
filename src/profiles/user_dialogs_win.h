// What the profile flows and the profile and update dialogs show or ask through the system: message boxes
// and the standard open and save file dialogs. The program uses SystemDialogs(); tests pass a scripted
// implementation so a flow can be driven without a person at the screen. Main window's thread only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kv {

struct FileFilter {
    std::wstring description;  // a language text, e.g. "Profile data (*.kvp)"
    std::wstring pattern;      // "*.kvp"
};

struct FileDialogRequest {
    bool save = false;                  // a save dialog that asks before overwriting; else an open dialog
    std::wstring folder;                // where the dialog starts; empty: where the system likes
    std::wstring fileName;              // the name proposed
    std::wstring defaultExtension;      // without the dot, added to a typed name that has none
    std::vector<FileFilter> filters;
};

struct FileChoice {
    std::wstring path;       // empty: the user cancelled
    int filterIndex = 0;     // the filter chosen, from 0
};

class UserDialogs {
public:
    virtual ~UserDialogs() = default;
    // A question with Yes and No, No preselected; true for Yes.
    [[nodiscard]] virtual bool AskYesNo(HWND owner, const std::wstring& text) = 0;
    // A question with Yes, No and Cancel, Yes preselected: IDYES, IDNO or IDCANCEL (also when the box is
    // closed).
    [[nodiscard]] virtual int AskYesNoCancel(HWND owner, const std::wstring& text);
    // A message with an OK button.
    virtual void Tell(HWND owner, const std::wstring& text) = 0;
    [[nodiscard]] virtual FileChoice ChooseFile(HWND owner, const FileDialogRequest& request) = 0;
};

// Message boxes captioned with the program's name, and the system's file dialogs.
[[nodiscard]] UserDialogs& SystemDialogs();

// The language text of the key in the language the windows show.
[[nodiscard]] std::wstring Text(const char* key);
// The language text of the key with its "%s" replaced by the argument (the path of a file).
[[nodiscard]] std::wstring TextWith(const char* key, const std::wstring& argument);

// The profile data filters of export, import and backup: the profile data file, its JSON form, any file.
[[nodiscard]] std::vector<FileFilter> ProfileFileFilters();
// A chosen name without an extension gets the one of the filter chosen (".json" for the JSON filter,
// ".kvp" otherwise).
[[nodiscard]] std::wstring WithProfileExtension(const FileChoice& choice);

}  // namespace kv
