// The property sheet's frame: its tab control and buttons, laid out around
// the largest page in the sheet's dialog units.
#include "controls/property_sheet.h"

#include <algorithm>

namespace kmxwin::controls {
namespace {

// In dialog units: the margins, the buttons' size and the gaps between
// them, as the classic sheet spaces them.
constexpr SIZE kMargin{4, 4};
constexpr SIZE kButton{50, 14};
constexpr SIZE kGap{4, 4};

SIZE ToPixels(HWND dialog, SIZE units) {
    RECT rect{0, 0, units.cx, units.cy};
    MapDialogRect(dialog, &rect);
    return {rect.right, rect.bottom};
}

}  // namespace

HWND PropertySheet::AddButton(int id, const char* text, DWORD style) {
    HWND button = CreateWindowExA(0, "Button", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 0,
                                  0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  instance_, nullptr);
    SendMessageA(button, WM_SETFONT, SendMessageA(hwnd_, WM_GETFONT, 0, 0), FALSE);
    return button;
}

void PropertySheet::SetCaption(const std::string& text, bool properties_for) {
    SetWindowTextA(hwnd_, properties_for ? ("Properties for " + text).c_str() : text.c_str());
}

void PropertySheet::BuildFrame() {
    tab_ = CreateWindowExA(
        0, WC_TABCONTROLA, "",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | WS_CLIPSIBLINGS | TCS_FOCUSONBUTTONDOWN, 0,
        0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTabControlId)), instance_,
        nullptr);
    SendMessageA(tab_, WM_SETFONT, SendMessageA(hwnd_, WM_GETFONT, 0, 0), FALSE);
    ok_ = AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_GROUP);
    cancel_ = AddButton(IDCANCEL, "Cancel", BS_PUSHBUTTON);
    if (!(flags_ & PSH_NOAPPLYNOW)) apply_ = AddButton(kApplyButtonId, "&Apply", WS_DISABLED);
    SendMessageA(hwnd_, DM_SETDEFID, IDOK, 0);

    for (size_t index = 0; index < pages_.size(); ++index) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(pages_[index]->Title().c_str());
        TabCtrl_InsertItem(tab_, static_cast<int>(index), &item);
    }
    SetCaption(caption_, flags_ & PSH_PROPTITLE);
    LayOut();

    for (size_t index = 0; index < pages_.size(); ++index)
        if (pages_[index]->Record().dwFlags & PSP_PREMATURE) CreatePage(static_cast<int>(index));

    // The start page, or the first after it whose window can be made.
    bool shown = pages_.empty();
    for (size_t tried = 0; tried < pages_.size() && !shown; ++tried)
        shown = ShowPage(static_cast<int>((start_ + tried) % pages_.size()));
    if (!shown) {
        End(-1);
        return;
    }
    if (callback_) callback_(hwnd_, PSCB_INITIALIZED, 0);
}

void PropertySheet::LayOut() {
    SIZE page_units{};
    for (HPROPSHEETPAGE page : pages_) {
        page_units.cx = std::max(page_units.cx, page->TemplateSize().cx);
        page_units.cy = std::max(page_units.cy, page->TemplateSize().cy);
    }
    SIZE page = ToPixels(hwnd_, page_units);
    SIZE margin = ToPixels(hwnd_, kMargin);
    SIZE button = ToPixels(hwnd_, kButton);
    SIZE gap = ToPixels(hwnd_, kGap);

    RECT tab{0, 0, page.cx, page.cy};
    TabCtrl_AdjustRect(tab_, TRUE, &tab);
    OffsetRect(&tab, margin.cx - tab.left, margin.cy - tab.top);
    MoveWindow(tab_, tab.left, tab.top, tab.right - tab.left, tab.bottom - tab.top, FALSE);
    display_ = tab;
    TabCtrl_AdjustRect(tab_, FALSE, &display_);

    // The buttons line up under the tab control's right edge, OK first.
    int y = tab.bottom + gap.cy;
    int x = tab.right;
    for (HWND control : {apply_, cancel_, ok_}) {
        if (!control) continue;
        x -= button.cx;
        MoveWindow(control, x, y, button.cx, button.cy, FALSE);
        x -= gap.cx;
    }

    RECT frame{0, 0, tab.right + margin.cx, y + button.cy + margin.cy};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_EXSTYLE)));
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    // Centred over the owner, or on the screen, and kept on the screen.
    RECT over{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner_) GetWindowRect(owner_, &over);
    int x_frame = (over.left + over.right - width) / 2;
    int y_frame = (over.top + over.bottom - height) / 2;
    x_frame = std::clamp(x_frame, 0, std::max(0, GetSystemMetrics(SM_CXSCREEN) - width));
    y_frame = std::clamp(y_frame, 0, std::max(0, GetSystemMetrics(SM_CYSCREEN) - height));
    SetWindowPos(hwnd_, nullptr, x_frame, y_frame, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace kmxwin::controls
