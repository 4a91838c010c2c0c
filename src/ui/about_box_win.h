// The About box: dialog resource 100, modeless, at most one at a time. It shows the skin's link text in its
// hyperlink control and takes its texts from the language file.
#pragma once

#include <string>

#include "ui/plain_dialog_win.h"

namespace kv {

class CAboutDlg : public CPlainDialog {
public:
    explicit CAboutDlg(HWND parent) : CPlainDialog(100, parent) {}
    // Creates and shows the box; a request while it exists is refused (returns false, nothing happens).
    bool Open(const std::wstring& linkText);
    // Destroys the box when it is open.
    void Close();
    [[nodiscard]] bool IsOpen() const { return open_; }

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override { Close(); }
    void OnCancel() override { Close(); }

private:
    void ApplyLanguageTexts();
    bool open_ = false;
    std::wstring link_;
};

}  // namespace kv
