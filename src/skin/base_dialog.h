// CBaseDialog: the frameless, image-skinned dialog every window of the program derives from. Its size
// and background come from the layout file's [SCREEN] Main picture, its outline from [SCREEN] Mask
// (every pixel that is not pure white belongs to the window), and it moves when dragged anywhere.
// Derived windows override DialogProc (calling this class's for what they do not handle) and
// OnInitDialog (calling this class's first). Runs on its window's thread only.
//
// A window built on it, in short:
//   class CProfileDlg : public CBaseDialog {            // CBaseDialog(131, owner, "...\\Skins\\Profile.ini", "...\\Skins\\")
//       BOOL OnInitDialog() override {
//           CBaseDialog::OnInitDialog();                // size, outline, background; ends the process without them
//           RenderImageToSurface(normal_, LoadSkinImage(L"Skins\\Profile_normal.jpg"), m_hWnd);  // once
//           (void)ok_.SubclassDlgItem(IDOK, m_hWnd);    // the template's button becomes an image button
//           PlaceButton(ok_, Layout(), L"BUTTONINFO", L"CONTROL_OK", {&normal_, &over_, &down_, &normal_, &normal_});
//           return TRUE;
//       }
//       INT_PTR DialogProc(UINT m, WPARAM w, LPARAM l) override { ...; return CBaseDialog::DialogProc(m, w, l); }
//   };
// The image surfaces must outlive the buttons that show them (members of the window, declared first).
//
// Display density: the skin is drawn for 96 pixels per inch. The window, its outline, the background,
// every control placed from the layout file and every button picture are scaled by the window's density
// (high-quality filtering) and follow it when the window moves to a monitor of another density.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "skin/ini_file.h"
#include "skin/picture.h"

class CBaseDialog {
public:
    // templateId 0 uses a blank built-in template (a popup without controls); any other id is a dialog
    // resource of the program.
    CBaseDialog(UINT templateId, HWND parent, std::wstring layoutPath, std::wstring skinDirectory);
    virtual ~CBaseDialog();
    CBaseDialog(const CBaseDialog&) = delete;
    CBaseDialog& operator=(const CBaseDialog&) = delete;

    // Runs the dialog modally; returns the EndDialog value, or -1 when it could not be created.
    INT_PTR DoModal();
    // Creates the dialog modelessly (hidden until shown).
    [[nodiscard]] bool Create();
    void EndDialog(INT_PTR result);

    HWND GetSafeHwnd() const { return m_hWnd; }
    const CIniFile& Layout() const { return layout_; }
    const std::wstring& SkinDirectory() const { return skinDirectory_; }
    bool IsInitialising() const { return initialising_; }
    int Dpi() const { return dpi_; }
    // Size of the window at its present density.
    SIZE BackgroundSize() const { return backgroundSize_; }

    static CBaseDialog* FromHandle(HWND dialog);
    // Paints, into a child's device context, the part of its dialog's background that lies behind it
    // (rect in the child's client coordinates). False when the child's parent is not a skinned dialog.
    static bool PaintBackgroundBehind(HWND child, HDC dc, const RECT& rect);

protected:
    virtual INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // After a density change has re-scaled the window, its outline and every placed control.
    virtual void OnDpiChanged(int /*newDpi*/) {}

    void FreeBitmaps();

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND, UINT, WPARAM, LPARAM);
    const DLGTEMPLATE* Template() const;
    void ApplyDensity(int dpi);
    void PaintBackground(HDC dc) const;

    UINT templateId_;
    HWND parent_;
    std::wstring layoutPath_;
    std::wstring skinDirectory_;
    CIniFile layout_;
    std::shared_ptr<const kv::skin::Picture> background_;
    std::shared_ptr<const kv::skin::Picture> mask_;
    HBITMAP backgroundBitmap_ = nullptr;  // the background at the window's density
    SIZE backgroundSize_{};
    int dpi_ = 96;
    bool initialising_ = false;
    bool modal_ = false;
};
