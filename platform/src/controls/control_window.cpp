#include "controls/control_window.h"

#include <commctrl.h>

namespace kmxwin::controls {

LRESULT ControlWindow::NotifyParent(UINT code) {
    NMHDR header{hwnd_, static_cast<UINT_PTR>(GetDlgCtrlID(hwnd_)), code};
    return SendMessageA(GetParent(hwnd_), WM_NOTIFY, header.idFrom,
                        reinterpret_cast<LPARAM>(&header));
}

HBRUSH ControlWindow::BackgroundBrush(HDC dc) {
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(hwnd_), WM_CTLCOLORSTATIC,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(hwnd_)));
    return brush ? brush : GetSysColorBrush(COLOR_BTNFACE);
}

LRESULT ControlWindow::Default(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
            Invalidate();
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            // Into the device context in WPARAM when there is one, as a
            // parent draws a control into a picture of its own.
            if (wparam) {
                Paint(reinterpret_cast<HDC>(wparam));
                return 0;
            }
            PAINTSTRUCT ps;
            if (HDC dc = BeginPaint(hwnd_, &ps)) Paint(dc);
            EndPaint(hwnd_, &ps);
            return 0;
        }
    }
    return DefWindowProcA(hwnd_, message, wparam, lparam);
}

LRESULT ControlWindow::Dispatch(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* control = reinterpret_cast<ControlWindow*>(GetWindowLongPtrA(hwnd, 0));
    if (!control) return DefWindowProcA(hwnd, message, wparam, lparam);

    LRESULT result = 0;
    ++control->depth_;
    try {
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrA(hwnd, 0, 0);
            control->alive_ = false;
            result = DefWindowProcA(hwnd, message, wparam, lparam);
        } else {
            result = control->OnMessage(message, wparam, lparam);
        }
    } catch (const std::bad_alloc&) {
        // The message is dropped as if unhandled; the control stays usable.
        result = 0;
    }
    if (--control->depth_ == 0 && !control->alive_) delete control;
    return result;
}

}  // namespace kmxwin::controls
