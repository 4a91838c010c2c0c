// CPngButton: an owner-drawn push button whose five looks (normal, hover, pressed, disabled, checked) are
// rectangles cut from full-window skin images, with an optional drawn caption, a coloured frame mode, a
// hover-tracking tooltip and a callback after each repaint. Runs on its window's thread only.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "skin/button_look.h"
#include "skin/skin_image.h"

// The five surfaces of a button, indexed by kv::skin::ButtonLook; a null entry draws nothing.
using SkinLooks = std::array<kv::skin::SkinSurface*, kv::skin::kButtonLookCount>;

struct CaptionColours {
    COLORREF normal = 0;
    COLORREF hover = 0;
    COLORREF pressed = 0;
    COLORREF disabled = 0;
    COLORREF checked = 0;
};

class CPngButton {
public:
    // Called after every repaint with the button and whether it was drawn with its normal image.
    using PaintCallback = std::function<void(HWND button, bool drawnWithNormal)>;

    CPngButton() = default;
    virtual ~CPngButton();
    CPngButton(const CPngButton&) = delete;
    CPngButton& operator=(const CPngButton&) = delete;

    // Takes over an existing button (a dialog template's control) and makes it owner-drawn.
    [[nodiscard]] bool SubclassDlgItem(int id, HWND parent);
    [[nodiscard]] bool Attach(HWND button);
    // Creates a new button child of the parent and takes it over.
    [[nodiscard]] bool Create(HWND parent, int id, const wchar_t* text, const RECT& rect,
                              DWORD style = WS_CHILD | WS_VISIBLE);
    void Detach();
    HWND GetSafeHwnd() const { return hwnd_; }

    void SetSkin(int originX, int originY, const SkinLooks& looks, bool redraw);
    void SetImages(const SkinLooks& looks, bool redraw);
    void SetOrigin(int originX, int originY, bool redraw);
    void SetChecked(bool checked, bool redraw);
    bool IsChecked() const { return checked_; }
    void SetFrame(COLORREF colour, bool on);
    bool IsFrame() const { return frame_; }
    void SetCaptionStyle(bool drawCaption, int size, const wchar_t* face, const CaptionColours& colours,
                         UINT format);
    void SetCaptionRotation(int escapement, bool rotated);
    void SetCaptionMargins(int left, int right, int top, int bottom);
    void SetTooltip(const wchar_t* text, bool active);
    void RemoveTooltip();
    // The same as SetTooltip(text, true), but a button without a tooltip control yet creates it only when
    // the mouse first moves over it: a window of a hundred buttons starts without a hundred tooltips.
    void SetTooltipOnDemand(const wchar_t* text);
    void SetPaintCallback(PaintCallback callback) { paintCallback_ = std::move(callback); }

    int OriginX() const { return originX_; }
    int OriginY() const { return originY_; }
    bool IsHover() const { return hover_; }
    bool IsPressed() const { return pressed_; }
    kv::skin::ButtonLook LastLook() const { return lastLook_; }
    HWND TooltipWindow() const { return tooltip_; }

    // Repaints at once.
    void Redraw();

    // Paints the button into the device context (its client coordinates); selected = the pressed state.
    virtual void DrawItem(HDC dc, const RECT& rect, bool selected);

    static CPngButton* FromHandle(HWND button);
    // The face to draw the text in: face itself, or, when it is not on this system and the text is Chinese,
    // the first installed face that covers Chinese (so a missing face never turns texts into empty boxes).
    static std::wstring FaceForText(HDC dc, const std::wstring& face, const wchar_t* text, int length);
    // For a parent's WM_DRAWITEM: paints the item when it is an image button; false otherwise.
    static bool ReflectDrawItem(LPARAM drawItem);

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void DrawCaption(HDC dc, const RECT& rect, kv::skin::ButtonLook look, int dpi);
    void DrawFrame(HDC dc, const RECT& rect, int dpi);
    void RelayToTooltip(UINT message, WPARAM wParam, LPARAM lParam);
    void UpdateTooltipRect();
    void FitTooltipFont();

    HWND hwnd_ = nullptr;
    SkinLooks looks_{};
    kv::skin::ButtonLook lastLook_ = kv::skin::ButtonLook::Normal;
    bool hover_ = false;
    bool tracking_ = false;
    bool pressed_ = false;
    bool checked_ = false;
    int originX_ = 1;
    int originY_ = 1;

    bool caption_ = false;
    int captionSize_ = 8;
    std::wstring captionFace_ = L"Tahoma Unicode MS";
    CaptionColours captionColours_;
    UINT captionFormat_ = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    RECT captionMargins_{};  // left, top, right, bottom deltas added to the client rectangle
    int escapement_ = 0;
    bool rotated_ = false;

    PaintCallback paintCallback_;
    HWND tooltip_ = nullptr;
    HFONT tooltipFont_ = nullptr;  // from the first tip that needed a face the system's tip font lacks
    std::wstring tooltipText_;
    bool tooltipPending_ = false;  // SetTooltipOnDemand stored a text; the control comes with the mouse
    bool frame_ = false;
    COLORREF frameColour_ = 0;
};
