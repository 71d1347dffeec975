// Keyboard navigation in dialogs: IsDialogMessage, GetNextDlgTabItem and
// GetNextDlgGroupItem. Controls of child dialogs that are control parents
// (WS_EX_CONTROLPARENT, as property sheet pages are) take part in their
// parent's order.
#include "windowing/dialog_manager.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_procedure.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace kmxwin::win {
namespace {

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageTo(hwnd, message, wparam, lparam, false);
}

struct Control {
    HWND hwnd;
    DWORD style;
    bool usable;  // visible and enabled
};

// The dialog's controls in z-order, control parents opened up (lock held).
void Collect(Window& parent, std::vector<Control>& controls) {
    for (Window* child : parent.children) {
        bool usable = IsVisibleLocked(*child) && IsEnabledLocked(*child);
        if ((child->ex_style & WS_EX_CONTROLPARENT) && usable) {
            Collect(*child, controls);
            continue;
        }
        controls.push_back({child->handle, child->style, usable});
    }
}

std::vector<Control> ControlsOf(HWND dialog) {
    std::vector<Control> controls;
    std::lock_guard lock(UserLock());
    if (Window* window = FindWindowLocked(dialog)) Collect(*window, controls);
    return controls;
}

// The control in CONTROLS that is or contains HWND.
std::ptrdiff_t IndexOf(const std::vector<Control>& controls, HWND hwnd) {
    for (std::ptrdiff_t i = 0; i < static_cast<std::ptrdiff_t>(controls.size()); ++i)
        if (controls[i].hwnd == hwnd || IsChild(controls[i].hwnd, hwnd)) return i;
    return -1;
}

// The first character after a single '&' in TEXT, lower-cased; 0 for none.
char Mnemonic(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
    }
    return 0;
}

// Alt+letter, or a letter that the focused control does not want: the
// control whose text has that mnemonic is pressed, or for a label the
// control after it takes the focus.
bool HandleMnemonic(HWND dialog, char letter) {
    letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    std::vector<Control> controls = ControlsOf(dialog);
    for (size_t i = 0; i < controls.size(); ++i) {
        const Control& control = controls[i];
        if (!control.usable) continue;
        char text[256];
        GetWindowTextA(control.hwnd, text, sizeof text);
        if (!text[0] || Mnemonic(text) != letter) continue;
        LRESULT code = Send(control.hwnd, WM_GETDLGCODE, 0, 0);
        if (code & DLGC_STATIC) {
            // A label names the next control that takes the focus.
            for (size_t j = i + 1; j < controls.size(); ++j) {
                if (!controls[j].usable || (controls[j].style & WS_TABSTOP) == 0) continue;
                SetDialogFocus(controls[j].hwnd);
                return true;
            }
            return true;
        }
        if (code & DLGC_BUTTON) {
            SetDialogFocus(control.hwnd);
            Send(control.hwnd, BM_CLICK, 0, 0);
            return true;
        }
        SetDialogFocus(control.hwnd);
        return true;
    }
    return false;
}

// The push button that Enter presses: the focused one, else the default.
void PressDefault(HWND dialog, HWND focus, LRESULT focus_code) {
    HWND button = nullptr;
    UINT id = 0;
    if (focus && (focus_code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
        button = focus;
        id = static_cast<UINT>(GetDlgCtrlID(focus));
    } else {
        id = DefaultButtonId(dialog);
        if (!id) id = IDOK;
        button = GetDlgItem(dialog, static_cast<int>(id));
    }
    if (button && !IsWindowEnabled(button)) {
        MessageBeep(0);
        return;
    }
    Send(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

}  // namespace
}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    if (!IsWindow(hDlg)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    std::vector<Control> controls = ControlsOf(hDlg);
    auto n = static_cast<std::ptrdiff_t>(controls.size());
    if (n == 0) return nullptr;
    std::ptrdiff_t start = hCtl ? IndexOf(controls, hCtl) : -1;
    std::ptrdiff_t step = bPrevious ? -1 : 1;
    std::ptrdiff_t index = start < 0 ? (bPrevious ? 0 : n - 1) : start;
    for (std::ptrdiff_t tried = 0; tried < n; ++tried) {
        index = (index + step + n) % n;
        const Control& control = controls[index];
        if (control.usable && (control.style & WS_TABSTOP)) return control.hwnd;
    }
    return hCtl;
}

HWND WINAPI GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    if (!IsWindow(hDlg)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    std::vector<Control> controls = ControlsOf(hDlg);
    std::ptrdiff_t at = hCtl ? IndexOf(controls, hCtl) : 0;
    if (at < 0 || controls.empty()) return nullptr;
    // The group runs from a WS_GROUP control up to the next one.
    std::ptrdiff_t first = at;
    while (first > 0 && !(controls[first].style & WS_GROUP)) --first;
    std::ptrdiff_t last = at + 1;
    while (last < static_cast<std::ptrdiff_t>(controls.size()) &&
           !(controls[last].style & WS_GROUP))
        ++last;
    std::ptrdiff_t size = last - first;
    std::ptrdiff_t index = at;
    for (std::ptrdiff_t tried = 1; tried < size; ++tried) {
        index = first + ((index - first + (bPrevious ? -1 : 1)) % size + size) % size;
        if (controls[index].usable) return controls[index].hwnd;
    }
    return controls[at].hwnd;
}

BOOL WINAPI IsDialogMessageA(HWND hDlg, LPMSG lpMsg) {
    if (!lpMsg || !IsWindow(hDlg)) return FALSE;
    if (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd)) return FALSE;
    UINT message = lpMsg->message;
    if (message == WM_KEYDOWN || message == WM_CHAR || message == WM_SYSCHAR) {
        HWND focus = lpMsg->hwnd;
        LRESULT code = Send(focus, WM_GETDLGCODE, lpMsg->wParam, reinterpret_cast<LPARAM>(lpMsg));
        if (!(code & DLGC_WANTMESSAGE)) {
            if (message == WM_KEYDOWN) {
                switch (lpMsg->wParam) {
                    case VK_TAB:
                        if (code & DLGC_WANTTAB) break;
                        Send(hDlg, WM_NEXTDLGCTL, (GetKeyState(VK_SHIFT) & 0x8000) ? 1 : 0, 0);
                        return TRUE;
                    case VK_LEFT:
                    case VK_UP:
                    case VK_RIGHT:
                    case VK_DOWN: {
                        if (code & DLGC_WANTARROWS) break;
                        bool back = lpMsg->wParam == VK_LEFT || lpMsg->wParam == VK_UP;
                        HWND next = GetNextDlgGroupItem(hDlg, focus, back);
                        if (next && next != focus) {
                            SetDialogFocus(next);
                            // Moving onto an automatic radio button selects it.
                            LRESULT next_code = Send(next, WM_GETDLGCODE, 0, 0);
                            if ((next_code & DLGC_RADIOBUTTON) &&
                                (GetWindowLongA(next, GWL_STYLE) & BS_TYPEMASK) ==
                                    BS_AUTORADIOBUTTON)
                                Send(next, BM_CLICK, 0, 0);
                        }
                        return TRUE;
                    }
                    case VK_RETURN:
                        PressDefault(hDlg, focus, code);
                        return TRUE;
                    case VK_ESCAPE:
                        Send(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
                        return TRUE;
                    default:
                        break;
                }
            } else if (message == WM_SYSCHAR ||
                       (message == WM_CHAR && !(code & DLGC_WANTCHARS) && lpMsg->wParam > ' ')) {
                if (HandleMnemonic(hDlg, static_cast<char>(lpMsg->wParam))) return TRUE;
                if (message == WM_SYSCHAR) MessageBeep(0);
                if (message == WM_SYSCHAR) return TRUE;
            }
        }
    }
    TranslateMessage(lpMsg);
    DispatchMessageA(lpMsg);
    return TRUE;
}

BOOL WINAPI IsDialogMessageW(HWND hDlg, LPMSG lpMsg) {
    if (!lpMsg) return FALSE;
    MSG ansi = *lpMsg;
    if (lpMsg->message == WM_CHAR || lpMsg->message == WM_SYSCHAR)
        ansi.wParam = AnsiCharOf(static_cast<WCHAR>(lpMsg->wParam));
    return IsDialogMessageA(hDlg, &ansi);
}

}  // extern "C"
