// A display back end: it shows the top-level windows' surfaces and feeds
// the user's input back into the window system. Headless keeps windows in
// memory; X11 shows each top-level window as an X window.
//
// Calls come from the window system without UserLock() held.
#pragma once

#include <cairo.h>
#include <windows.h>

#include <memory>

namespace kmxwin::win {

class Display {
  public:
    virtual ~Display() = default;

    virtual const char* Name() const = 0;
    virtual SIZE ScreenSize() const = 0;

    // A top-level window appears, changes, or goes.
    virtual void WindowCreated(HWND hwnd, const RECT& screen_rect) = 0;
    virtual void WindowDestroyed(HWND hwnd) = 0;
    virtual void WindowShown(HWND hwnd, bool visible) = 0;
    virtual void WindowMoved(HWND hwnd, const RECT& screen_rect) = 0;
    // Shows DIRTY (window coordinates) of SURFACE, the window's picture.
    virtual void Present(HWND hwnd, cairo_surface_t* surface, const RECT& dirty) = 0;

    // The cursor, as the window system decided it.
    virtual void CursorMoved(POINT pt) = 0;
    virtual void CursorClipped(const RECT* clip) = 0;
    virtual void CursorShown(bool visible) = 0;

    virtual void Beep() = 0;
};

// The process's display, chosen at first use: KMX512_DISPLAY ("headless" or
// "x11") when set, else X11 when DISPLAY names a display that answers, else
// headless.
Display& TheDisplay();

std::unique_ptr<Display> MakeHeadlessDisplay();
// nullptr when no X display answers.
std::unique_ptr<Display> MakeX11Display();

}  // namespace kmxwin::win
