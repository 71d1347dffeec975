// The tab control's window procedure: its items, the selection with its
// TCN_SELCHANGING and TCN_SELCHANGE notifications, keyboard and mouse.
#include "controls/control_classes.h"
#include "controls/control_window.h"
#include "controls/tab_layout.h"
#include "controls/tab_paint.h"

#include <commctrl.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace kmxwin::controls {
namespace {

struct TabItem {
    std::string text;
    LPARAM param = 0;
};

class TabControl : public ControlWindow {
  public:
    using ControlWindow::ControlWindow;

    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  private:
    HFONT Font() const;
    TabLayout Layout() const;
    bool ValidIndex(WPARAM index) const { return index < items_.size(); }

    LRESULT Insert(WPARAM index, const TCITEMA* item);
    BOOL Delete(WPARAM index);
    BOOL GetItem(WPARAM index, TCITEMA* item) const;
    BOOL SetItem(WPARAM index, const TCITEMA* item);
    // The user picks tab INDEX: the parent may refuse it.
    void Choose(int index);
    void Paint(HDC dc) override;

    std::vector<TabItem> items_;
    int selected_ = -1;
    HFONT font_ = nullptr;
};

HFONT TabControl::Font() const {
    return font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

TabLayout TabControl::Layout() const {
    HDC dc = GetDC(Handle());
    HGDIOBJ previous = SelectObject(dc, Font());
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    std::vector<int> widths;
    for (const TabItem& item : items_) {
        SIZE extent{};
        GetTextExtentPoint32A(dc, item.text.c_str(), static_cast<int>(item.text.size()), &extent);
        widths.push_back(extent.cx);
    }
    SelectObject(dc, previous);
    ReleaseDC(Handle(), dc);
    return TabLayout(widths, metrics.tmHeight);
}

LRESULT TabControl::Insert(WPARAM index, const TCITEMA* item) {
    if (!item || static_cast<INT_PTR>(index) < 0) return -1;
    TabItem made;
    if ((item->mask & TCIF_TEXT) && item->pszText) made.text = item->pszText;
    if (item->mask & TCIF_PARAM) made.param = item->lParam;
    size_t at = std::min<size_t>(index, items_.size());
    items_.insert(items_.begin() + at, std::move(made));
    // The selected tab stays selected; the first tab of an empty control
    // becomes the selection.
    if (selected_ < 0)
        selected_ = 0;
    else if (static_cast<int>(at) <= selected_)
        ++selected_;
    Invalidate();
    return static_cast<LRESULT>(at);
}

BOOL TabControl::Delete(WPARAM index) {
    if (!ValidIndex(index)) return FALSE;
    items_.erase(items_.begin() + index);
    int removed = static_cast<int>(index);
    if (removed == selected_)
        selected_ = -1;
    else if (removed < selected_)
        --selected_;
    Invalidate();
    return TRUE;
}

BOOL TabControl::GetItem(WPARAM index, TCITEMA* item) const {
    if (!item || !ValidIndex(index)) return FALSE;
    const TabItem& tab = items_[index];
    if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        size_t length = std::min<size_t>(tab.text.size(), item->cchTextMax - 1);
        memcpy(item->pszText, tab.text.data(), length);
        item->pszText[length] = '\0';
    }
    if (item->mask & TCIF_PARAM) item->lParam = tab.param;
    return TRUE;
}

BOOL TabControl::SetItem(WPARAM index, const TCITEMA* item) {
    if (!item || !ValidIndex(index)) return FALSE;
    TabItem& tab = items_[index];
    if (item->mask & TCIF_TEXT) tab.text = item->pszText ? item->pszText : "";
    if (item->mask & TCIF_PARAM) tab.param = item->lParam;
    Invalidate();
    return TRUE;
}

void TabControl::Choose(int index) {
    if (index < 0 || index == selected_ || !ValidIndex(index)) return;
    if (NotifyParent(TCN_SELCHANGING) || !Alive()) return;
    selected_ = index;
    Invalidate();
    NotifyParent(TCN_SELCHANGE);
}

void TabControl::Paint(HDC dc) {
    RECT client{};
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, BackgroundBrush(dc));
    std::vector<const char*> labels;
    for (const TabItem& item : items_) labels.push_back(item.text.c_str());
    TabLook look;
    look.selected = selected_;
    look.focused = GetFocus() == Handle();
    look.enabled = IsWindowEnabled(Handle());
    look.font = Font();
    PaintTabControl(dc, client, Layout(), labels, look);
}

LRESULT TabControl::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    HWND hwnd = Handle();
    switch (message) {
        case TCM_GETITEMCOUNT:
            return static_cast<LRESULT>(items_.size());
        case TCM_INSERTITEMA:
            return Insert(wparam, reinterpret_cast<const TCITEMA*>(lparam));
        case TCM_DELETEITEM:
            return Delete(wparam);
        case TCM_DELETEALLITEMS:
            items_.clear();
            selected_ = -1;
            Invalidate();
            return TRUE;
        case TCM_GETITEMA:
            return GetItem(wparam, reinterpret_cast<TCITEMA*>(lparam));
        case TCM_SETITEMA:
            return SetItem(wparam, reinterpret_cast<const TCITEMA*>(lparam));
        case TCM_GETCURSEL:
            return selected_;
        case TCM_SETCURSEL: {
            if (!ValidIndex(wparam)) return -1;
            int previous = std::exchange(selected_, static_cast<int>(wparam));
            Invalidate();
            return previous;
        }
        case TCM_GETITEMRECT: {
            auto* rect = reinterpret_cast<RECT*>(lparam);
            if (!rect || !ValidIndex(wparam)) return FALSE;
            *rect = Layout().Item(static_cast<int>(wparam));
            return TRUE;
        }
        case TCM_HITTEST: {
            auto* info = reinterpret_cast<TCHITTESTINFO*>(lparam);
            if (!info) return -1;
            int index = Layout().HitTest(info->pt);
            info->flags = index < 0 ? TCHT_NOWHERE : TCHT_ONITEM;
            return index;
        }
        case TCM_ADJUSTRECT:
            if (auto* rect = reinterpret_cast<RECT*>(lparam)) Layout().Adjust(wparam, *rect);
            return 0;

        case WM_SETFONT:
            font_ = reinterpret_cast<HFONT>(wparam);
            if (lparam) Invalidate();
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_);

        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_KEYDOWN:
            if (wparam == VK_LEFT && selected_ > 0) Choose(selected_ - 1);
            if (wparam == VK_RIGHT) Choose(selected_ + 1);
            return 0;
        case WM_NCHITTEST: {
            // Away from the tabs the control is see-through: a property
            // sheet's pages lie beneath its display area and take the mouse.
            POINT pt = PointFromLParam(lparam);
            ScreenToClient(hwnd, &pt);
            if (Layout().HitTest(pt) < 0) return HTTRANSPARENT;
            break;
        }
        case WM_LBUTTONDOWN: {
            POINT pt = PointFromLParam(lparam);
            int index = Layout().HitTest(pt);
            if (index < 0) return 0;
            DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
            if ((style & TCS_FOCUSONBUTTONDOWN) && !(style & TCS_FOCUSNEVER) && GetFocus() != hwnd)
                SetFocus(hwnd);
            if (Alive()) Choose(index);
            return 0;
        }
        case WM_LBUTTONUP: {
            POINT pt = PointFromLParam(lparam);
            if (Layout().HitTest(pt) >= 0) NotifyParent(NM_CLICK);
            return 0;
        }
    }
    return Default(message, wparam, lparam);
}

}  // namespace

LRESULT CALLBACK TabControlProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return ControlWindow::Procedure<TabControl>(hwnd, message, wparam, lparam);
}

}  // namespace kmxwin::controls
