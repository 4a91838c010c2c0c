// CWidget: what every owner-drawn widget of the kit shares. It takes over one control (a template's or
// one it creates), subclasses it and its parent window, so the parent's notifications about the control
// (drawing, colours, list data) are answered by the widget itself: the window that uses a widget only
// creates it, places it and reacts to its ordinary commands (BN_CLICKED, CBN_SELCHANGE, LVN_ITEMCHANGED).
// Each widget keeps a font of its face and size at the control's present display density, made again when
// the density changes. Runs on the control's thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "widgets/widget_palette.h"

namespace kv::widgets {

class CWidget {
public:
    CWidget() = default;
    virtual ~CWidget();
    CWidget(const CWidget&) = delete;
    CWidget& operator=(const CWidget&) = delete;

    HWND GetSafeHwnd() const { return hwnd_; }
    // The text font: face and size in points at 96 pixels per inch.
    void SetFont(const wchar_t* face, int points, bool bold = false);
    // Another face, same size and weight (a language whose texts the first face lacks).
    void SetFace(const std::wstring& face);
    HFONT Font();
    int Dpi() const;
    void Detach();

    static CWidget* FromHandle(HWND control);

protected:
    // Takes over the control: subclasses it and its parent.
    [[nodiscard]] bool Adopt(HWND control);
    // The control's own messages; the default passes them on.
    virtual LRESULT ControlProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The parent's messages, before the parent sees them; true when answered (result set).
    virtual bool ParentProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // After the font was made again (density or face changed).
    virtual void FontChanged() {}
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    // Scales skin pixels (96 per inch) to the control's density.
    int Scale(int skinPixels) const;
    // The height of a line in the widget's font, in pixels.
    int FontHeight();

    HWND hwnd_ = nullptr;
    HWND parent_ = nullptr;

private:
    static LRESULT CALLBACK ControlSubclass(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK ParentSubclass(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void EnsureFont();

    std::wstring face_ = kWidgetFontFace;
    int points_ = kWidgetFontPoints;
    bool bold_ = false;
    HFONT font_ = nullptr;
    int fontDpi_ = 0;
};

// Window changes that skip the system when nothing would change (each change is a round trip to the
// window manager; a dialog that is opened again sets most of its controls to what they already show).
void SetTextIfChanged(HWND window, const std::wstring& text);
void ShowIfChanged(HWND window, bool visible);
void EnableIfChanged(HWND window, bool enabled);

// Paints the window and each of its children that would show with it once into a bitmap that is then
// thrown away. A control's first paint costs more than later ones (glyphs of its font built, texts looked
// up), and a window built hidden ahead of its first showing has nothing to paint on screen: this pays
// that cost while nothing waits for it. Children that do not answer WM_PRINTCLIENT are passed over.
void PaintAhead(HWND window);

// The list view and combo box classes registered (once per run).
void EnsureCommonControls();

// Drawing helpers shared by the widgets.
void FillColour(HDC dc, const RECT& rect, Colour colour);
void FrameColour(HDC dc, const RECT& rect, Colour colour, int thickness = 1);
// A brush of the colour that lives for the rest of the run (the colour messages return brushes).
HBRUSH SolidBrushOf(Colour colour);
// The parent's skinned background behind the control, or the palette's face where there is none.
void PaintParentBehind(HWND control, HDC dc, const RECT& rect);
// A window whose background is not one picture (a page of pictures switched over part of it) tells the
// widgets how to paint behind a child: the painter paints rect (the child's client coordinates) and
// returns true. Pass an empty function to remove it.
using BackgroundPainter = std::function<bool(HWND child, HDC dc, const RECT& rect)>;
void SetBackgroundPainter(HWND parent, BackgroundPainter painter);
// Replaces a template control by a new one of another class with the same id, place and tab position.
HWND ReplaceControl(HWND templateControl, const wchar_t* windowClass, DWORD style, DWORD exStyle);

}  // namespace kv::widgets
