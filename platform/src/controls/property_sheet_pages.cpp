// The property sheet's pages: making and switching them, and the PSN_
// notifications of OK, Cancel and Apply.
#include "controls/property_sheet.h"

namespace kmxwin::controls {

int PropertySheet::IndexOf(HWND page) const {
    for (size_t index = 0; index < pages_.size(); ++index)
        if (page && pages_[index]->Window() == page) return static_cast<int>(index);
    return -1;
}

int PropertySheet::IndexOf(HPROPSHEETPAGE page) const {
    for (size_t index = 0; index < pages_.size(); ++index)
        if (pages_[index] == page) return static_cast<int>(index);
    return -1;
}

HWND PropertySheet::PageWindow(int index) const {
    if (index < 0 || index >= static_cast<int>(pages_.size())) return nullptr;
    return pages_[index]->Window();
}

bool PropertySheet::CreatePage(int index) {
    _PSP& page = *pages_[index];
    if (page.Window()) return true;
    if (!page.CreateWindowIn(hwnd_)) return false;
    // Right after the tab control in the sheet's order, so that Tab runs
    // from the tabs through the page to the buttons.
    SetWindowPos(page.Window(), tab_, display_.left, display_.top, display_.right - display_.left,
                 display_.bottom - display_.top, SWP_NOACTIVATE);
    return true;
}

LRESULT PropertySheet::NotifyPage(int index, UINT code, LPARAM lparam) {
    HWND page = PageWindow(index);
    if (!page) return 0;
    PSHNOTIFY notify{{hwnd_, 0, code}, lparam};
    return SendMessageA(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
}

bool PropertySheet::ShowPage(int index) {
    if (index < 0 || index >= static_cast<int>(pages_.size())) return false;
    if (index == current_) return true;
    if (!CreatePage(index)) return false;
    NotifyPage(index, PSN_SETACTIVE, 0);
    if (ended_) return true;

    HWND previous = PageWindow(current_);
    current_ = index;
    if (TabCtrl_GetCurSel(tab_) != index) TabCtrl_SetCurSel(tab_, index);
    HWND page = PageWindow(index);
    HWND focus = GetFocus();
    bool focus_in_previous = previous && focus && (focus == previous || IsChild(previous, focus));
    ShowWindow(page, SW_SHOW);
    if (focus_in_previous) {
        // The focus may not stay in a hidden page.
        HWND first = GetNextDlgTabItem(page, nullptr, FALSE);
        SetFocus(first ? first : tab_);
    }
    if (previous) ShowWindow(previous, SW_HIDE);
    return true;
}

bool PropertySheet::KillActive() {
    // A page answers TRUE when what the user entered must be put right
    // before it is left.
    return current_ < 0 || !NotifyPage(current_, PSN_KILLACTIVE, 0);
}

bool PropertySheet::SwitchTo(int index) {
    if (index < 0 || index >= static_cast<int>(pages_.size())) return false;
    if (index == current_) return true;
    if (!KillActive()) return false;
    if (ShowPage(index)) return true;
    // The page cannot be made: the current one carries on.
    NotifyPage(current_, PSN_SETACTIVE, 0);
    return false;
}

bool PropertySheet::Apply(bool ok) {
    if (ended_ || !KillActive()) return false;
    for (size_t index = 0; index < pages_.size(); ++index) {
        switch (NotifyPage(static_cast<int>(index), PSN_APPLY, ok)) {
            case PSNRET_INVALID:
                // The page with the bad entry comes to the front.
                if (!ShowPage(static_cast<int>(index))) NotifyPage(current_, PSN_SETACTIVE, 0);
                return false;
            case PSNRET_INVALID_NOCHANGEPAGE:
                NotifyPage(current_, PSN_SETACTIVE, 0);
                return false;
        }
        if (ended_) return true;
    }
    // What was entered is saved: PropertySheetA reports it even after a
    // later Cancel.
    result_ = 1;
    for (HPROPSHEETPAGE page : pages_) page->changed = false;
    UpdateApplyButton();
    if (ok)
        End(result_);
    else
        NotifyPage(current_, PSN_SETACTIVE, 0);
    return true;
}

void PropertySheet::Cancel(bool close_box) {
    if (ended_ || NotifyPage(current_, PSN_QUERYCANCEL, 0)) return;
    for (size_t index = 0; index < pages_.size(); ++index)
        NotifyPage(static_cast<int>(index), PSN_RESET, close_box);
    End(result_);
}

void PropertySheet::End(INT_PTR result) {
    ended_ = true;
    result_ = result;
    // Wakes the modal loop should it be waiting.
    PostMessageA(hwnd_, WM_NULL, 0, 0);
}

void PropertySheet::UpdateApplyButton() {
    if (!apply_) return;
    bool changed = false;
    for (HPROPSHEETPAGE page : pages_) changed = changed || page->changed;
    EnableWindow(apply_, changed);
}

void PropertySheet::AddPage(HPROPSHEETPAGE page) {
    pages_.push_back(page);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(page->Title().c_str());
    TabCtrl_InsertItem(tab_, static_cast<int>(pages_.size() - 1), &item);
}

void PropertySheet::RemovePage(int index) {
    if (index == current_) {
        // Another page takes over first; the last one leaves none.
        int next = index + 1 < static_cast<int>(pages_.size()) ? index + 1 : index - 1;
        if (next < 0 || !ShowPage(next)) {
            ShowWindow(PageWindow(index), SW_HIDE);
            current_ = -1;
        }
    }
    HPROPSHEETPAGE page = pages_[index];
    pages_.erase(pages_.begin() + index);
    if (current_ > index) --current_;
    TabCtrl_DeleteItem(tab_, index);
    if (current_ >= 0) TabCtrl_SetCurSel(tab_, current_);
    _PSP::Destroy(page);
    UpdateApplyButton();
}

bool PropertySheet::SwitchKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || GetKeyState(VK_CONTROL) >= 0) return false;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
    int step;
    if (msg.wParam == VK_TAB)
        step = GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
    else if (msg.wParam == VK_NEXT)
        step = 1;
    else if (msg.wParam == VK_PRIOR)
        step = -1;
    else
        return false;
    int count = static_cast<int>(pages_.size());
    if (count > 1 && current_ >= 0) SwitchTo((current_ + step + count) % count);
    return true;
}

}  // namespace kmxwin::controls
