// The "Static" class: text, rectangles, frames and etched lines.
#include "windowing/control_procs.h"
#include "windowing/control_state.h"

namespace kmxwin::win {
namespace {

struct StaticState {
    HFONT font = nullptr;
};

}  // namespace

LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    StaticState* state = ControlState<StaticState>(hwnd);
    if (!state && message != WM_NCCREATE) return DefWindowProcA(hwnd, message, wparam, lparam);
    bool notify = GetWindowLongA(hwnd, GWL_STYLE) & SS_NOTIFY;
    switch (message) {
        case WM_NCCREATE:
            AttachControlState<StaticState>(hwnd);
            break;
        case WM_NCDESTROY:
            FreeControlState<StaticState>(hwnd);
            break;
        case WM_NCHITTEST:
            // Labels let clicks through unless they report them.
            if (!notify) return HTTRANSPARENT;
            break;
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        case WM_SETFONT:
            state->font = reinterpret_cast<HFONT>(wparam);
            if (LOWORD(lparam)) InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(state->font);
        case WM_SETTEXT:
        case WM_ENABLE: {
            LRESULT result = DefWindowProcA(hwnd, message, wparam, lparam);
            InvalidateRect(hwnd, nullptr, TRUE);
            return result;
        }
        case WM_LBUTTONDOWN:
            if (notify) NotifyParent(hwnd, STN_CLICKED);
            return 0;
        case WM_LBUTTONDBLCLK:
            if (notify) NotifyParent(hwnd, STN_DBLCLK);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace kmxwin::win
