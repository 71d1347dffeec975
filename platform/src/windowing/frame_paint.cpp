// The non-client area as DefWindowProc draws it on WM_NCPAINT and
// WM_NCACTIVATE: the raised 3-D frame of dialogs and sizable windows or a
// plain border, the caption shaded from the caption colour to its gradient
// colour with the title in bold, the close box, and the sunken edges that
// WS_EX_CLIENTEDGE and WS_EX_STATICEDGE put around the client area.
#include "windowing/nonclient.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"

#include <algorithm>
#include <string>

namespace kmxwin::win {
namespace {

// The caption is shaded in bands this wide.
constexpr int kShadeBand = 4;
// 8 points at the screen's 96 DPI.
constexpr int kCaptionFontHeight = -11;

struct FrameLook {
    DWORD style = 0;
    DWORD ex_style = 0;
    std::string title;
    bool active = false;
    bool close_pressed = false;
    RECT window{};  // window coordinates: origin 0, 0
    RECT client{};  // the client area in window coordinates
};

bool LookOf(HWND hwnd, FrameLook& look) {
    std::lock_guard lock(UserLock());
    Window* window = FindWindowLocked(hwnd);
    if (!window) return false;
    look.style = window->style;
    look.ex_style = window->ex_style;
    look.title = window->text;
    look.active = window->frame_active;
    look.close_pressed = window->close_box_pressed;
    RECT screen = ScreenWindowRect(*window);
    look.window = OffsetRectBy(screen, -screen.left, -screen.top);
    look.client = OffsetRectBy(ScreenClientRect(*window), -screen.left, -screen.top);
    return true;
}

void Fill(HDC dc, RECT rect, int color) {
    FillRect(dc, &rect, GetSysColorBrush(color));
}

// The outer frame; RECT comes back inside it.
void PaintBorder(HDC dc, RECT& rect, const FrameLook& look) {
    bool raised =
        (look.style & (WS_THICKFRAME | WS_DLGFRAME)) || (look.ex_style & WS_EX_DLGMODALFRAME);
    if (raised) {
        int width =
            FrameInsets(look.style, look.ex_style & ~(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)).left;
        DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT | BF_ADJUST);
        for (int ring = 2; ring < width; ++ring) {
            FrameRect(dc, &rect, GetSysColorBrush(COLOR_3DFACE));
            InflateRect(&rect, -1, -1);
        }
    } else if (look.style & WS_BORDER) {
        FrameRect(dc, &rect, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&rect, -1, -1);
    }
}

COLORREF Blend(COLORREF from, COLORREF to, int step, int steps) {
    auto mix = [&](int a, int b) { return a + (b - a) * step / steps; };
    return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
               mix(GetBValue(from), GetBValue(to)));
}

HFONT CaptionFont() {
    // The caption's bold face of the dialog font, made once for the process.
    static HFONT font = CreateFontA(kCaptionFontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                                    ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    return font;
}

void PaintCloseBox(HDC dc, RECT box, bool pressed) {
    DrawEdge(dc, &box, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT);
    // The cross, two pixels thick, centred (one pixel lower right when
    // pressed).
    constexpr int kWidth = 8, kHeight = 7;
    int left = box.left + (box.right - box.left - kWidth) / 2 + (pressed ? 1 : 0);
    int top = box.top + (box.bottom - box.top - kHeight) / 2 + (pressed ? 1 : 0);
    COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    for (int row = 0; row < kHeight; ++row) {
        SetPixelV(dc, left + row, top + row, ink);
        SetPixelV(dc, left + row + 1, top + row, ink);
        SetPixelV(dc, left + kWidth - 2 - row, top + row, ink);
        SetPixelV(dc, left + kWidth - 1 - row, top + row, ink);
    }
}

void PaintCaption(HDC dc, const FrameLook& look) {
    int width = look.window.right;
    RECT caption = CaptionRect(look.style, look.ex_style, width);
    if (IsEmptyRect(caption)) return;
    // The line of face colour between the caption and the client area.
    Fill(dc, {caption.left, caption.bottom, caption.right, caption.bottom + 1}, COLOR_3DFACE);
    COLORREF from = GetSysColor(look.active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    COLORREF to =
        GetSysColor(look.active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
    int span = caption.right - caption.left;
    for (int x = 0; x < span; x += kShadeBand) {
        HBRUSH band = CreateSolidBrush(Blend(from, to, x, std::max(1, span - 1)));
        RECT strip{caption.left + x, caption.top,
                   std::min<LONG>(caption.right, caption.left + x + kShadeBand), caption.bottom};
        FillRect(dc, &strip, band);
        DeleteObject(band);
    }
    RECT close = CloseBoxRect(look.style, look.ex_style, width);
    RECT text = caption;
    text.left += 2;
    if (!IsEmptyRect(close)) {
        text.right = close.left - 2;
        PaintCloseBox(dc, close, look.close_pressed);
    }
    HGDIOBJ old_font = SelectObject(dc, CaptionFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(look.active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    DrawTextA(dc, look.title.c_str(), -1, &text,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old_font);
}

void PaintClientEdges(HDC dc, const FrameLook& look) {
    RECT rect = look.client;
    if (look.ex_style & WS_EX_CLIENTEDGE) {
        InflateRect(&rect, GetSystemMetrics(SM_CXEDGE), GetSystemMetrics(SM_CYEDGE));
        RECT edge = rect;
        DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
    }
    if (look.ex_style & WS_EX_STATICEDGE) {
        InflateRect(&rect, GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER));
        DrawEdge(dc, &rect, BDR_SUNKENOUTER, BF_RECT);
    }
}

}  // namespace

void PaintFrame(HWND hwnd) {
    FrameLook look;
    if (!LookOf(hwnd, look)) return;
    if (EqualRect(&look.window, &look.client)) return;
    HDC dc = GetWindowDC(hwnd);
    if (!dc) return;
    int saved = SaveDC(dc);
    RECT rect = look.window;
    PaintBorder(dc, rect, look);
    PaintCaption(dc, look);
    PaintClientEdges(dc, look);
    RestoreDC(dc, saved);
    ReleaseDC(hwnd, dc);
}

}  // namespace kmxwin::win
