#include "ui/dialog_window.h"

#include "ui/language_table.h"

namespace kmx::ui {

bool DialogWindow::OnCommand(int /*id*/, int /*code*/) {
    return false;
}

void DialogWindow::SetItemText(int id, const char* key) const {
    SetDlgItemTextA(hwnd_, id, GetLanguageText(key));
}

void DialogWindow::SetItemTexts(std::span<const LocalisedText> texts) const {
    for (const LocalisedText& text : texts) SetItemText(text.id, text.key);
}

void DialogWindow::SetCaption(const char* key) const {
    SetWindowTextA(hwnd_, GetLanguageText(key));
}

void DialogWindow::ShowItem(int id, bool shown) const {
    ShowWindow(Item(id), shown ? SW_SHOW : SW_HIDE);
}

void DialogWindow::EnableItem(int id, bool enabled) const {
    EnableWindow(Item(id), enabled);
}

bool DialogWindow::IsChecked(int id) const {
    return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
}

void DialogWindow::Check(int id, bool checked) const {
    CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

RECT DialogWindow::ItemRect(int id) const {
    RECT rect{};
    GetWindowRect(Item(id), &rect);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void DialogWindow::MoveItem(int id, const RECT& rect) const {
    MoveWindow(Item(id), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

DialogWindow* DialogWindow::Bound(HWND hwnd) {
    return reinterpret_cast<DialogWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
}

INT_PTR DialogWindow::Dispatch(DialogWindow* self, HWND hwnd, UINT message, WPARAM wparam,
                               LPARAM lparam) {
    if (message == WM_INITDIALOG && self) {
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    }
    // Messages before WM_INITDIALOG (the font) find no object yet.
    if (!self) return FALSE;
    INT_PTR answer = self->Route(message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return answer;
}

INT_PTR DialogWindow::Route(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_SHOWWINDOW:
            if (wparam) {
                ApplyTexts();
                OnShow();
            } else {
                OnHide();
            }
            return TRUE;
        case WM_COMMAND:
            return OnCommand(LOWORD(wparam), HIWORD(wparam));
        case WM_HSCROLL:
            OnHScroll(reinterpret_cast<HWND>(lparam), LOWORD(wparam));
            return TRUE;
        case WM_TIMER:
            OnTimer(wparam);
            return TRUE;
        case WM_NOTIFY: {
            LRESULT answer = 0;
            if (!lparam || !OnNotify(*reinterpret_cast<const NMHDR*>(lparam), answer)) return FALSE;
            SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, answer);
            return TRUE;
        }
    }
    INT_PTR answer = FALSE;
    return HandleMessage(message, wparam, lparam, answer) ? answer : FALSE;
}

}  // namespace kmx::ui
