#include "windowing/control_paint.h"

namespace kmxwin::win {

HBRUSH DefaultControlColors(HDC dc, UINT message) {
    bool field = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
    int background = field ? COLOR_WINDOW : COLOR_3DFACE;
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(background));
    return GetSysColorBrush(background);
}

HBRUSH ControlBrush(HWND hwnd, HDC dc, UINT message) {
    HWND parent = GetParent(hwnd);
    HBRUSH brush = nullptr;
    if (parent)
        brush = reinterpret_cast<HBRUSH>(SendMessageA(parent, message, reinterpret_cast<WPARAM>(dc),
                                                      reinterpret_cast<LPARAM>(hwnd)));
    return brush ? brush : DefaultControlColors(dc, message);
}

LRESULT DefaultThenRepaint(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = DefWindowProcA(hwnd, message, wparam, lparam);
    InvalidateRect(hwnd, nullptr, TRUE);
    return result;
}

std::string WindowText(HWND hwnd) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(
        static_cast<size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

HFONT ControlFont(HFONT font) {
    return font ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

void DrawControlText(HDC dc, const char* text, RECT rect, UINT format, bool enabled) {
    int mode = SetBkMode(dc, TRANSPARENT);
    if (enabled) {
        DrawTextA(dc, text, -1, &rect, format);
    } else {
        COLORREF color = GetTextColor(dc);
        RECT engraved = rect;
        OffsetRect(&engraved, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_3DHIGHLIGHT));
        DrawTextA(dc, text, -1, &engraved, format);
        SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
        DrawTextA(dc, text, -1, &rect, format);
        SetTextColor(dc, color);
    }
    SetBkMode(dc, mode);
}

namespace {

// Runs MEASURE(dc) on a memory DC with FONT selected.
template <class Measure>
void WithFontDc(HFONT font, Measure measure) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, ControlFont(font));
    measure(dc);
    SelectObject(dc, old);
    DeleteDC(dc);
}

}  // namespace

TEXTMETRICA FontMetrics(HFONT font) {
    TEXTMETRICA metrics{};
    WithFontDc(font, [&](HDC dc) { GetTextMetricsA(dc, &metrics); });
    return metrics;
}

int TextWidth(HFONT font, const char* text, int count) {
    SIZE size{};
    if (count > 0) WithFontDc(font, [&](HDC dc) { GetTextExtentPoint32A(dc, text, count, &size); });
    return size.cx;
}

size_t BoundaryAt(HFONT font, const std::string& text, int x) {
    size_t nearest = 0;
    WithFontDc(font, [&](HDC dc) {
        int previous = 0;
        for (size_t count = 1; count <= text.size(); ++count) {
            SIZE size{};
            GetTextExtentPoint32A(dc, text.data(), static_cast<int>(count), &size);
            if (x < (previous + size.cx) / 2) return;
            nearest = count;
            previous = size.cx;
        }
    });
    return nearest;
}

bool FontMessage(HWND hwnd, HFONT& font, UINT message, WPARAM wparam, LPARAM lparam,
                 LRESULT& result) {
    if (message == WM_GETFONT) {
        result = reinterpret_cast<LRESULT>(font);
        return true;
    }
    if (message != WM_SETFONT) return false;
    font = reinterpret_cast<HFONT>(wparam);
    if (LOWORD(lparam)) InvalidateRect(hwnd, nullptr, TRUE);
    result = 0;
    return true;
}

}  // namespace kmxwin::win
