#include "windowing/button_paint.h"

#include "windowing/control_paint.h"

namespace kmxwin::win {
namespace {

constexpr int kCheckBoxSize = 13;
constexpr int kRadioSize = 12;
constexpr int kTextGap = 4;        // between the box and the text
constexpr int kGroupTextLeft = 8;  // a group box's title from its left edge

// The check mark inside a check box, as a picture of 7 by 7 pixels.
constexpr const char* kCheckMark[] = {
    "......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#....",
};

DWORD TypeOf(DWORD style) {
    return style & BS_TYPEMASK;
}

bool IsPush(DWORD style) {
    return TypeOf(style) == BS_PUSHBUTTON || TypeOf(style) == BS_DEFPUSHBUTTON;
}

bool IsRadio(DWORD style) {
    return TypeOf(style) == BS_RADIOBUTTON || TypeOf(style) == BS_AUTORADIOBUTTON;
}

// The text's placement from the BS_ alignment styles, centred for push
// buttons and left-aligned for the others by default. A multi-line text
// wraps at word breaks; its vertical place is the painter's to find, as
// DrawText centres single lines only.
UINT TextFormat(DWORD style) {
    UINT format = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
    DWORD horizontal = style & BS_CENTER;
    if (horizontal == BS_CENTER || (!horizontal && IsPush(style)))
        format |= DT_CENTER;
    else if (horizontal == BS_RIGHT)
        format |= DT_RIGHT;
    if (style & BS_MULTILINE) return format;
    DWORD vertical = style & BS_VCENTER;
    if (vertical == BS_TOP)
        format |= DT_TOP;
    else if (vertical == BS_BOTTOM)
        format |= DT_BOTTOM;
    else
        format |= DT_VCENTER;
    return format;
}

void PaintPush(HDC dc, RECT rect, const ButtonLook& look) {
    RECT client = rect;
    // The default button and the one with the focus wear a black outline.
    if (TypeOf(look.style) == BS_DEFPUSHBUTTON || look.focused) {
        FrameRect(dc, &rect, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&rect, -1, -1);
    }
    if (look.pushed) {
        FrameRect(dc, &rect, GetSysColorBrush(COLOR_3DSHADOW));
        InflateRect(&rect, -1, -1);
        FillRect(dc, &rect, GetSysColorBrush(COLOR_3DFACE));
    } else {
        DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT | BF_SOFT | BF_MIDDLE | BF_ADJUST);
    }
    RECT text = rect;
    if (look.pushed) OffsetRect(&text, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawControlText(dc, look.text.c_str(), text, TextFormat(look.style), look.enabled);
    if (look.focused) {
        InflateRect(&client, -4, -4);
        DrawFocusRect(dc, &client);
    }
}

void PaintCheckMark(HDC dc, RECT inner, COLORREF ink) {
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x)
            if (kCheckMark[y][x] == '#') SetPixelV(dc, inner.left + 1 + x, inner.top + 1 + y, ink);
}

void PaintCheckBox(HDC dc, RECT box, const ButtonLook& look) {
    DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    bool grey = look.pushed || !look.enabled || look.check == BST_INDETERMINATE;
    FillRect(dc, &box, GetSysColorBrush(grey ? COLOR_3DFACE : COLOR_WINDOW));
    if (look.check == BST_UNCHECKED) return;
    bool dim = !look.enabled || look.check == BST_INDETERMINATE;
    PaintCheckMark(dc, box, GetSysColor(dim ? COLOR_3DSHADOW : COLOR_WINDOWTEXT));
}

// The round box, pixel by pixel: an outer ring shaded shadow above and
// highlight below, an inner ring dark shadow above and light below, the
// field, and the dot when checked.
void PaintRadio(HDC dc, RECT box, const ButtonLook& look) {
    COLORREF field = GetSysColor(look.pushed || !look.enabled ? COLOR_3DFACE : COLOR_WINDOW);
    COLORREF dot = GetSysColor(look.enabled ? COLOR_WINDOWTEXT : COLOR_3DSHADOW);
    constexpr double kCentre = (kRadioSize - 1) / 2.0;
    for (int y = 0; y < kRadioSize; ++y) {
        for (int x = 0; x < kRadioSize; ++x) {
            double dx = x - kCentre, dy = y - kCentre;
            double distance = dx * dx + dy * dy;
            bool upper_left = x + y < kRadioSize - 1;
            COLORREF color;
            if (distance > 6.0 * 6.0)
                continue;
            else if (distance > 5.0 * 5.0)
                color = GetSysColor(upper_left ? COLOR_3DSHADOW : COLOR_3DHIGHLIGHT);
            else if (distance > 4.0 * 4.0)
                color = GetSysColor(upper_left ? COLOR_3DDKSHADOW : COLOR_3DLIGHT);
            else if (look.check == BST_CHECKED && distance < 2.0 * 2.0)
                color = dot;
            else
                color = field;
            SetPixelV(dc, box.left + x, box.top + y, color);
        }
    }
}

void PaintCheckOrRadio(HWND hwnd, HDC dc, RECT client, const ButtonLook& look) {
    HBRUSH brush = ControlBrush(hwnd, dc, WM_CTLCOLORSTATIC);
    FillRect(dc, &client, brush);
    int size = IsRadio(look.style) ? kRadioSize : kCheckBoxSize;
    bool text_left = look.style & BS_LEFTTEXT;
    int top = client.top + (client.bottom - client.top - size) / 2;
    int left = text_left ? client.right - size : client.left;
    RECT box{left, top, left + size, top + size};
    if (IsRadio(look.style))
        PaintRadio(dc, box, look);
    else
        PaintCheckBox(dc, box, look);
    RECT text = client;
    if (text_left)
        text.right = box.left - kTextGap;
    else
        text.left = box.right + kTextGap;
    UINT format = TextFormat(look.style);
    if (look.style & BS_MULTILINE) {
        // The wrapped lines, as a block, centred as a single line would be.
        RECT block = text;
        DrawTextA(dc, look.text.c_str(), -1, &block, format | DT_CALCRECT);
        int height = block.bottom - block.top;
        if (height < text.bottom - text.top) {
            text.top += (text.bottom - text.top - height) / 2;
            text.bottom = text.top + height;
        }
    }
    DrawControlText(dc, look.text.c_str(), text, format, look.enabled);
    if (look.focused && !look.text.empty()) {
        // The focus frames the text itself.
        RECT around = text;
        DrawTextA(dc, look.text.c_str(), -1, &around, format | DT_CALCRECT);
        int width = around.right - around.left, height = around.bottom - around.top;
        if (format & DT_CENTER) around.left = text.left + (text.right - text.left - width) / 2;
        if (format & DT_RIGHT) around.left = text.right - width;
        around.top = text.top + (text.bottom - text.top - height) / 2;
        around.right = around.left + width;
        around.bottom = around.top + height;
        InflateRect(&around, 1, 1);
        IntersectRect(&around, &around, &client);
        DrawFocusRect(dc, &around);
    }
}

// A group box leaves its inside alone: the controls in it paint there.
void PaintGroupBox(HWND hwnd, HDC dc, RECT client, const ButtonLook& look) {
    HBRUSH brush = ControlBrush(hwnd, dc, WM_CTLCOLORSTATIC);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    RECT frame = client;
    frame.top += metrics.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (look.text.empty()) return;
    RECT text{client.left + kGroupTextLeft, client.top, client.right - kGroupTextLeft,
              client.top + metrics.tmHeight};
    DrawTextA(dc, look.text.c_str(), -1, &text, DT_SINGLELINE | DT_CALCRECT);
    RECT behind = text;
    InflateRect(&behind, 2, 0);
    FillRect(dc, &behind, brush);
    DrawControlText(dc, look.text.c_str(), text, DT_SINGLELINE | DT_LEFT | DT_TOP, look.enabled);
}

}  // namespace

void PaintButton(HWND hwnd, HDC dc, const ButtonLook& look) {
    RECT client;
    GetClientRect(hwnd, &client);
    if (TypeOf(look.style) == BS_GROUPBOX) {
        PaintGroupBox(hwnd, dc, client, look);
    } else if (IsPush(look.style)) {
        // Push buttons ask, as Windows' do, but always wear the face colour.
        ControlBrush(hwnd, dc, WM_CTLCOLORBTN);
        PaintPush(dc, client, look);
    } else {
        PaintCheckOrRadio(hwnd, dc, client, look);
    }
}

}  // namespace kmxwin::win
