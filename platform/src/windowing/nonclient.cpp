#include "windowing/nonclient.h"

#include "windowing/window.h"

namespace kmxwin::win {

bool HasCaption(DWORD style) {
    return (style & WS_CAPTION) == WS_CAPTION;
}

RECT FrameInsets(DWORD style, DWORD ex_style) {
    int edge = 0;
    if (style & WS_THICKFRAME)
        edge = GetSystemMetrics(SM_CXFRAME);
    else if ((style & WS_DLGFRAME) || (ex_style & WS_EX_DLGMODALFRAME))
        edge = GetSystemMetrics(SM_CXDLGFRAME);
    else if (style & WS_BORDER)
        edge = GetSystemMetrics(SM_CXBORDER);
    if (ex_style & WS_EX_STATICEDGE) edge += GetSystemMetrics(SM_CXBORDER);
    if (ex_style & WS_EX_CLIENTEDGE) edge += GetSystemMetrics(SM_CXEDGE);
    RECT insets{edge, edge, edge, edge};
    if (HasCaption(style)) insets.top += GetSystemMetrics(SM_CYCAPTION);
    return insets;
}

RECT CaptionRect(DWORD style, DWORD ex_style, int window_width) {
    if (!HasCaption(style)) return {0, 0, 0, 0};
    RECT insets = FrameInsets(style, ex_style & ~WS_EX_CLIENTEDGE & ~WS_EX_STATICEDGE);
    int top = insets.left;
    return {insets.left, top, window_width - insets.right,
            top + GetSystemMetrics(SM_CYCAPTION) - 1};
}

RECT CloseBoxRect(DWORD style, DWORD ex_style, int window_width) {
    RECT caption = CaptionRect(style, ex_style, window_width);
    if (IsEmptyRect(caption) || !(style & WS_SYSMENU)) return {0, 0, 0, 0};
    int height = GetSystemMetrics(SM_CYSIZE) - 4;
    int width = GetSystemMetrics(SM_CXSIZE) - 2;
    int top = caption.top + (caption.bottom - caption.top - height) / 2;
    return {caption.right - 2 - width, top, caption.right - 2, top + height};
}

LRESULT HitTestLocked(const Window& window, POINT pt) {
    RECT screen = ScreenWindowRect(window);
    if (!PointInRect(screen, pt)) return HTNOWHERE;
    if (PointInRect(ScreenClientRect(window), pt)) return HTCLIENT;
    POINT local{pt.x - screen.left, pt.y - screen.top};
    int width = screen.right - screen.left;
    if (PointInRect(CloseBoxRect(window.style, window.ex_style, width), local)) return HTCLOSE;
    if (PointInRect(CaptionRect(window.style, window.ex_style, width), local)) return HTCAPTION;
    if (window.style & WS_THICKFRAME) {
        RECT insets = FrameInsets(window.style, window.ex_style);
        int height = screen.bottom - screen.top;
        bool left = local.x < insets.left, right = local.x >= width - insets.right;
        bool top = local.y < insets.left, bottom = local.y >= height - insets.bottom;
        if (top) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
        if (bottom) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
        if (left) return HTLEFT;
        if (right) return HTRIGHT;
    }
    return HTBORDER;
}

}  // namespace kmxwin::win
