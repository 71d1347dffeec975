#include "controls/tab_paint.h"

#include <string.h>

namespace kmxwin::controls {
namespace {

void Fill(HDC dc, int left, int top, int right, int bottom, int color) {
    RECT rect{left, top, right, bottom};
    FillRect(dc, &rect, GetSysColorBrush(color));
}

// A tab's frame: highlighted left and top with a cut corner, shaded right
// with a rounded one; no bottom line, where it opens onto the pane.
void Frame(HDC dc, const RECT& tab) {
    Fill(dc, tab.left, tab.top + 2, tab.left + 1, tab.bottom, COLOR_BTNHIGHLIGHT);
    Fill(dc, tab.left + 1, tab.top + 1, tab.left + 2, tab.top + 2, COLOR_BTNHIGHLIGHT);
    Fill(dc, tab.left + 2, tab.top, tab.right - 2, tab.top + 1, COLOR_BTNHIGHLIGHT);
    Fill(dc, tab.right - 2, tab.top + 1, tab.right - 1, tab.top + 2, COLOR_3DDKSHADOW);
    Fill(dc, tab.right - 1, tab.top + 2, tab.right, tab.bottom, COLOR_3DDKSHADOW);
    Fill(dc, tab.right - 2, tab.top + 2, tab.right - 1, tab.bottom, COLOR_BTNSHADOW);
}

void Label(HDC dc, RECT area, const char* text, const TabLook& look, bool with_focus) {
    int length = static_cast<int>(strlen(text));
    SetTextColor(dc, GetSysColor(look.enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    DrawTextA(dc, text, length, &area, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    if (!with_focus) return;
    SIZE extent{};
    GetTextExtentPoint32A(dc, text, length, &extent);
    int centre_x = (area.left + area.right) / 2;
    int centre_y = (area.top + area.bottom) / 2;
    RECT focus{centre_x - extent.cx / 2 - 3, centre_y - extent.cy / 2 - 1,
               centre_x - extent.cx / 2 + extent.cx + 3, centre_y - extent.cy / 2 + extent.cy + 1};
    DrawFocusRect(dc, &focus);
}

}  // namespace

void PaintTabControl(HDC dc, const RECT& client, const TabLayout& layout,
                     const std::vector<const char*>& labels, const TabLook& look) {
    RECT pane = layout.Pane(client);
    DrawEdge(dc, &pane, EDGE_RAISED, BF_RECT);

    HGDIOBJ previous_font = SelectObject(dc, look.font);
    int previous_mode = SetBkMode(dc, TRANSPARENT);
    for (int index = 0; index < layout.Count(); ++index) {
        if (index == look.selected) continue;
        RECT item = layout.Item(index);
        Frame(dc, item);
        Label(dc, item, labels[index], look, false);
    }
    if (look.selected >= 0 && look.selected < layout.Count()) {
        // The selected tab stands out of the row and covers the pane's top
        // border, so that it and its page read as one surface.
        RECT item = layout.Item(look.selected);
        RECT raised = TabLayout::Raised(item);
        Fill(dc, raised.left + 1, raised.top + 1, raised.right - 2, raised.bottom, COLOR_BTNFACE);
        Frame(dc, raised);
        OffsetRect(&item, 0, -1);
        Label(dc, item, labels[look.selected], look, look.focused);
    }
    SetBkMode(dc, previous_mode);
    SelectObject(dc, previous_font);
}

}  // namespace kmxwin::controls
