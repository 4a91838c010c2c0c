// Runs on the main window's thread.
#include "profiles/user_dialogs_win.h"

#include <commdlg.h>

#include <filesystem>

#include "skin/language.h"

namespace kv {

namespace {

class SystemUserDialogs final : public UserDialogs {
public:
    bool AskYesNo(HWND owner, const std::wstring& text) override {
        return MessageBoxW(owner, text.c_str(), Text("MAIN_CAPTION").c_str(),
                           MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) == IDYES;
    }
    void Tell(HWND owner, const std::wstring& text) override {
        MessageBoxW(owner, text.c_str(), Text("MAIN_CAPTION").c_str(), MB_OK);
    }
    FileChoice ChooseFile(HWND owner, const FileDialogRequest& request) override {
        // "Description\0pattern\0...\0\0"
        std::wstring filter;
        for (const FileFilter& f : request.filters) {
            filter += f.description;
            filter.push_back(L'\0');
            filter += f.pattern;
            filter.push_back(L'\0');
        }
        filter.push_back(L'\0');
        std::vector<wchar_t> file(32768, L'\0');
        request.fileName.copy(file.data(), std::min<std::size_t>(request.fileName.size(), file.size() - 1));
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = owner;
        ofn.lpstrFilter = filter.c_str();
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = file.data();
        ofn.nMaxFile = static_cast<DWORD>(file.size());
        ofn.lpstrInitialDir = request.folder.empty() ? nullptr : request.folder.c_str();
        ofn.lpstrDefExt = request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
        ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                    (request.save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
        const BOOL ok = request.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
        FileChoice choice;
        if (!ok) return choice;
        choice.path = file.data();
        choice.filterIndex = ofn.nFilterIndex > 0 ? static_cast<int>(ofn.nFilterIndex) - 1 : 0;
        return choice;
    }
};

}  // namespace

int UserDialogs::AskYesNoCancel(HWND owner, const std::wstring& text) {
    const int answer = MessageBoxW(owner, text.c_str(), Text("MAIN_CAPTION").c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
    return answer == IDYES || answer == IDNO ? answer : IDCANCEL;
}

UserDialogs& SystemDialogs() {
    static SystemUserDialogs dialogs;
    return dialogs;
}

std::wstring Text(const char* key) { return LookupText(key, GetLanguageIndex()); }

std::wstring TextWith(const char* key, const std::wstring& argument) {
    std::wstring text = Text(key);
    const std::size_t at = text.find(L"%s");
    if (at != std::wstring::npos) text.replace(at, 2, argument);
    return text;
}

std::vector<FileFilter> ProfileFileFilters() {
    return {
        {Text("PROFILE_FILTER_KVP"), L"*.kvp"},
        {Text("PROFILE_FILTER_JSON"), L"*.json"},
        {Text("PROFILE_FILTER_ALL"), L"*.*"},
    };
}

std::wstring WithProfileExtension(const FileChoice& choice) {
    if (choice.path.empty() || std::filesystem::path(choice.path).has_extension()) return choice.path;
    return choice.path + (choice.filterIndex == 1 ? L".json" : L".kvp");
}

}  // namespace kv
