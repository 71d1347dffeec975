// DefDlgProc: the dialog procedure first, then the dialog manager's own
// handling of focus, the default button, closing and colours.
#include "windowing/control_paint.h"
#include "windowing/default_window_proc.h"
#include "windowing/dialog_manager.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_procedure.h"

namespace kmxwin::win {
namespace {

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageTo(hwnd, message, wparam, lparam, false);
}

// Messages whose dialog procedure's answer is the result itself, not
// DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
    return message == WM_INITDIALOG ||
           (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC);
}

// Whether HWND is a child of DIALOG that can take the focus.
bool IsLiveControl(HWND dialog, HWND hwnd) {
    return hwnd && IsWindow(hwnd) && IsChild(dialog, hwnd) && IsWindowVisible(hwnd) &&
           IsWindowEnabled(hwnd);
}

void SaveFocus(HWND dialog) {
    HWND focus = GetFocus();
    if (focus && IsChild(dialog, focus))
        WithDialog(dialog, [&](DialogData& data) { data.focus = focus; });
}

void RestoreFocus(HWND dialog) {
    HWND focus = nullptr;
    WithDialog(dialog, [&](DialogData& data) { focus = data.focus; });
    if (!IsLiveControl(dialog, focus)) focus = GetNextDlgTabItem(dialog, nullptr, FALSE);
    if (focus) SetDialogFocus(focus);
}

void NextControl(HWND dialog, WPARAM wparam, LPARAM lparam) {
    HWND target;
    if (LOWORD(lparam))
        target = reinterpret_cast<HWND>(wparam);
    else
        target = GetNextDlgTabItem(dialog, GetFocus(), wparam != 0);
    if (target) SetDialogFocus(target);
}

void SetDefaultId(HWND dialog, UINT id) {
    UINT old = DefaultButtonId(dialog);
    WithDialog(dialog, [&](DialogData& data) { data.default_id = id; });
    // The buttons show which one is the default.
    if (HWND previous = old ? GetDlgItem(dialog, old) : nullptr)
        if (Send(previous, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)
            Send(previous, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    if (HWND next = id ? GetDlgItem(dialog, id) : nullptr)
        if (Send(next, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON)
            Send(next, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

// A dialog's background is the brush its procedure answers to
// WM_CTLCOLORDLG, the face colour by default.
void EraseDialog(HWND hwnd, HDC dc) {
    if (!dc) return;
    auto brush = reinterpret_cast<HBRUSH>(
        Send(hwnd, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
    if (!brush) brush = DefaultControlColors(dc, WM_CTLCOLORDLG);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, brush);
}

LRESULT DialogDefault(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool unicode) {
    switch (message) {
        case WM_SHOWWINDOW:
            if (!wparam) SaveFocus(hwnd);
            break;
        case WM_ACTIVATE:
            if (LOWORD(wparam) == WA_INACTIVE)
                SaveFocus(hwnd);
            else
                RestoreFocus(hwnd);
            return 0;
        case WM_SETFOCUS:
            RestoreFocus(hwnd);
            return 0;
        case WM_CLOSE: {
            // Closing is the Cancel button, when that can be pressed.
            HWND cancel = GetDlgItem(hwnd, IDCANCEL);
            if (!cancel || IsWindowEnabled(cancel))
                PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                             reinterpret_cast<LPARAM>(cancel));
            return 0;
        }
        case WM_NEXTDLGCTL:
            NextControl(hwnd, wparam, lparam);
            return 0;
        case DM_GETDEFID: {
            UINT id = DefaultButtonId(hwnd);
            return id ? MAKELRESULT(id, DC_HASDEFID) : 0;
        }
        case DM_SETDEFID:
            SetDefaultId(hwnd, static_cast<UINT>(wparam));
            return TRUE;
        case WM_GETFONT: {
            HFONT font = nullptr;
            WithDialog(hwnd, [&](DialogData& data) { font = data.font; });
            return reinterpret_cast<LRESULT>(font);
        }
        case WM_ERASEBKGND:
            EraseDialog(hwnd, reinterpret_cast<HDC>(wparam));
            return TRUE;
        case WM_NCDESTROY: {
            HFONT owned = nullptr;
            WithDialog(hwnd, [&](DialogData& data) {
                if (data.owns_font) owned = data.font;
                data.font = nullptr;
            });
            if (owned) DeleteObject(owned);
            break;
        }
        default:
            break;
    }
    return unicode ? DefWindowProcW(hwnd, message, wparam, lparam)
                   : DefWindowProcA(hwnd, message, wparam, lparam);
}

LRESULT DefaultDialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool unicode) {
    auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, DWLP_DLGPROC));
    bool proc_unicode = false;
    WithDialog(hwnd, [&](DialogData& data) { proc_unicode = data.unicode; });
    INT_PTR answer = 0;
    if (proc) {
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 0);
        answer = CallProcedure(proc, proc_unicode, hwnd, message, wparam, lparam, unicode);
    }
    if (!IsWindow(hwnd)) return answer;
    if (answer) return AnswersDirectly(message) ? answer : GetWindowLongPtrA(hwnd, DWLP_MSGRESULT);
    if (message == WM_INITDIALOG) return 0;
    return DialogDefault(hwnd, message, wparam, lparam, unicode);
}

}  // namespace

bool WithDialog(HWND hwnd, const std::function<void(DialogData&)>& use) {
    std::lock_guard lock(UserLock());
    Window* window = FindWindowLocked(hwnd);
    if (!window || !window->dialog) return false;
    use(*window->dialog);
    return true;
}

void SetDialogFocus(HWND control) {
    if (Send(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) Send(control, EM_SETSEL, 0, -1);
    SetFocus(control);
}

UINT DefaultButtonId(HWND dialog) {
    UINT id = 0;
    WithDialog(dialog, [&](DialogData& data) { id = data.default_id; });
    return id;
}

}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

LRESULT WINAPI DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return DefaultDialogProc(hDlg, Msg, wParam, lParam, false);
}

LRESULT WINAPI DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return DefaultDialogProc(hDlg, Msg, wParam, lParam, true);
}

}  // extern "C"
