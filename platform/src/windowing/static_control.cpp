// The "Static" class: text, rectangles, frames and etched lines.
#include "windowing/control_paint.h"
#include "windowing/control_procs.h"
#include "windowing/control_state.h"

namespace kmxwin::win {
namespace {

struct StaticState {
    HFONT font = nullptr;
};

UINT TextFormat(DWORD style) {
    UINT format = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
    switch (style & SS_TYPEMASK) {
        case SS_CENTER:
            format |= DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS;
            break;
        case SS_RIGHT:
            format |= DT_RIGHT | DT_WORDBREAK | DT_EXPANDTABS;
            break;
        case SS_SIMPLE:
            format |= DT_LEFT | DT_SINGLELINE;
            break;
        case SS_LEFTNOWORDWRAP:
            format |= DT_LEFT | DT_EXPANDTABS;
            break;
        default:
            format |= DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS;
            break;
    }
    if (style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_VCENTER | DT_SINGLELINE;
    return format;
}

// The shapes draw in the 3-D colours, as the classic look has them.
int ShapeColor(DWORD type) {
    switch (type) {
        case SS_BLACKRECT:
        case SS_BLACKFRAME:
            return COLOR_3DDKSHADOW;
        case SS_GRAYRECT:
        case SS_GRAYFRAME:
            return COLOR_3DSHADOW;
        default:
            return COLOR_3DHIGHLIGHT;
    }
}

void PaintShape(HDC dc, RECT client, DWORD type) {
    switch (type) {
        case SS_BLACKRECT:
        case SS_GRAYRECT:
        case SS_WHITERECT:
            FillRect(dc, &client, GetSysColorBrush(ShapeColor(type)));
            break;
        case SS_BLACKFRAME:
        case SS_GRAYFRAME:
        case SS_WHITEFRAME:
            FrameRect(dc, &client, GetSysColorBrush(ShapeColor(type)));
            break;
        case SS_ETCHEDHORZ:
            DrawEdge(dc, &client, EDGE_ETCHED, BF_TOP);
            break;
        case SS_ETCHEDVERT:
            DrawEdge(dc, &client, EDGE_ETCHED, BF_LEFT);
            break;
        case SS_ETCHEDFRAME:
            DrawEdge(dc, &client, EDGE_ETCHED, BF_RECT);
            break;
        default:
            break;
    }
}

bool IsText(DWORD type) {
    return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE ||
           type == SS_LEFTNOWORDWRAP;
}

void Paint(HWND hwnd, HDC dc) {
    DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    RECT client;
    GetClientRect(hwnd, &client);
    HBRUSH brush = ControlBrush(hwnd, dc, WM_CTLCOLORSTATIC);
    DWORD type = style & SS_TYPEMASK;
    if (!IsText(type)) {
        PaintShape(dc, client, type);
        return;
    }
    FillRect(dc, &client, brush);
    DrawControlText(dc, WindowText(hwnd).c_str(), client, TextFormat(style),
                    IsWindowEnabled(hwnd) != FALSE);
}

}  // namespace

LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    StaticState* state = ControlState<StaticState>(hwnd);
    if (!state && message != WM_NCCREATE) return DefWindowProcA(hwnd, message, wparam, lparam);
    if (LRESULT result; state && FontMessage(hwnd, state->font, message, wparam, lparam, result))
        return result;
    bool notify = GetWindowLongA(hwnd, GWL_STYLE) & SS_NOTIFY;
    switch (message) {
        case WM_NCCREATE:
            AttachControlState<StaticState>(hwnd);
            // A sunken static sits in a static edge of its own.
            if (reinterpret_cast<CREATESTRUCTA*>(lparam)->style & SS_SUNKEN)
                SetWindowLongA(hwnd, GWL_EXSTYLE,
                               GetWindowLongA(hwnd, GWL_EXSTYLE) | WS_EX_STATICEDGE);
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
        case WM_PAINT:
            return PaintControl(hwnd, wparam, state->font, [&](HDC dc) { Paint(hwnd, dc); });
        case WM_ERASEBKGND:
            return 1;
        case WM_SETTEXT:
        case WM_ENABLE:
            return DefaultThenRepaint(hwnd, message, wparam, lparam);
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
