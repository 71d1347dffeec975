// What every system control does when it paints: it asks its parent for
// its colours (WM_CTLCOLOR*), draws with its font, and greys its text when
// it is disabled; and what it does with its font messages.
#pragma once

#include <windows.h>

#include <string>

namespace kmxwin::win {

// Sends MESSAGE (a WM_CTLCOLOR* code) for control HWND to its parent, which
// sets DC's colours and answers the background brush; when the parent gives
// none, DefWindowProc's colours.
HBRUSH ControlBrush(HWND hwnd, HDC dc, UINT message);
// DefWindowProc's answer to WM_CTLCOLOR*: the colours of an edit field or
// list for those, the dialog face for the others.
HBRUSH DefaultControlColors(HDC dc, UINT message);

// The window's text (WM_GETTEXT).
std::string WindowText(HWND hwnd);

// The font a control draws with: the one WM_SETFONT gave it, else the
// system font.
HFONT ControlFont(HFONT font);

// Draws TEXT as a control does, in DC's text colour, or engraved in the
// 3-D shadow and highlight colours when the control is disabled.
void DrawControlText(HDC dc, const char* text, RECT rect, UINT format, bool enabled);

// The metrics of FONT (nullptr: the system font), and the width of the
// first COUNT characters of TEXT in it, measured off screen.
TEXTMETRICA FontMetrics(HFONT font);
int TextWidth(HFONT font, const char* text, int count);
// The index of the character boundary of TEXT in FONT nearest to X pixels
// from its start.
size_t BoundaryAt(HFONT font, const std::string& text, int x);

// WM_SETFONT and WM_GETFONT, the same for every control: true when MESSAGE
// was one of them, with its answer in RESULT.
bool FontMessage(HWND hwnd, HFONT& font, UINT message, WPARAM wparam, LPARAM lparam,
                 LRESULT& result);

// DefWindowProc's handling of MESSAGE (WM_SETTEXT, WM_ENABLE), after which
// the control paints again.
LRESULT DefaultThenRepaint(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Answers WM_PAINT by calling DRAW(dc) on the update area, or on the DC
// that WPARAM hands over (as WM_PRINTCLIENT does), with the control's font
// selected.
template <class Draw>
LRESULT PaintControl(HWND hwnd, WPARAM wparam, HFONT font, Draw draw) {
    PAINTSTRUCT paint;
    HDC dc = wparam ? reinterpret_cast<HDC>(wparam) : BeginPaint(hwnd, &paint);
    if (dc) {
        int saved = SaveDC(dc);
        SelectObject(dc, ControlFont(font));
        draw(dc);
        RestoreDC(dc, saved);
    }
    if (!wparam) EndPaint(hwnd, &paint);
    return 0;
}

}  // namespace kmxwin::win
