// The "Button" class: push and default push buttons, check boxes (two and
// three states, manual and automatic), radio buttons and group boxes.
#include "windowing/button_paint.h"
#include "windowing/control_paint.h"
#include "windowing/control_procs.h"
#include "windowing/control_state.h"

namespace kmxwin::win {
namespace {

struct ButtonState {
    UINT check = BST_UNCHECKED;
    bool pushed = false;
    bool focused = false;
    HFONT font = nullptr;
};

DWORD TypeOf(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)) & BS_TYPEMASK;
}

bool IsRadio(DWORD type) {
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

bool IsCheck(DWORD type) {
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
           type == BS_AUTO3STATE;
}

void SetPushed(HWND hwnd, ButtonState& state, bool pushed) {
    if (state.pushed == pushed) return;
    state.pushed = pushed;
    InvalidateRect(hwnd, nullptr, FALSE);
}

// Unchecks the other automatic radio buttons of HWND's group.
void UncheckGroup(HWND hwnd) {
    HWND parent = GetParent(hwnd);
    if (!parent) return;
    for (HWND other = GetNextDlgGroupItem(parent, hwnd, FALSE); other && other != hwnd;
         other = GetNextDlgGroupItem(parent, other, FALSE)) {
        if ((GetWindowLongA(other, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
            SendMessageA(other, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

// A completed press: the automatic kinds change their state, then the
// parent hears BN_CLICKED.
void Click(HWND hwnd) {
    DWORD type = TypeOf(hwnd);
    UINT check = static_cast<UINT>(SendMessageA(hwnd, BM_GETCHECK, 0, 0));
    switch (type) {
        case BS_AUTOCHECKBOX:
            SendMessageA(hwnd, BM_SETCHECK, check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
            break;
        case BS_AUTO3STATE:
            SendMessageA(hwnd, BM_SETCHECK, (check + 1) % 3, 0);
            break;
        case BS_AUTORADIOBUTTON:
            SendMessageA(hwnd, BM_SETCHECK, BST_CHECKED, 0);
            UncheckGroup(hwnd);
            break;
        default:
            break;
    }
    NotifyParent(hwnd, BN_CLICKED);
}

LRESULT DialogCode(HWND hwnd) {
    DWORD type = TypeOf(hwnd);
    if (type == BS_GROUPBOX) return DLGC_STATIC;
    if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    if (type == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    if (IsRadio(type)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
    return DLGC_BUTTON;
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    ButtonState* state = ControlState<ButtonState>(hwnd);
    if (!state && message != WM_NCCREATE) return DefWindowProcA(hwnd, message, wparam, lparam);
    DWORD type = TypeOf(hwnd);
    if (LRESULT result; state && FontMessage(hwnd, state->font, message, wparam, lparam, result))
        return result;
    switch (message) {
        case WM_NCCREATE:
            AttachControlState<ButtonState>(hwnd);
            break;
        case WM_NCDESTROY:
            FreeControlState<ButtonState>(hwnd);
            break;
        case WM_GETDLGCODE:
            return DialogCode(hwnd);
        case WM_NCHITTEST:
            // A group box lets clicks through to what lies under it.
            if (type == BS_GROUPBOX) return HTTRANSPARENT;
            break;
        case WM_PAINT:
            return PaintControl(hwnd, wparam, state->font, [&](HDC dc) {
                PaintButton(hwnd, dc,
                            {static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)), state->check,
                             state->pushed, state->focused, IsWindowEnabled(hwnd) != FALSE,
                             WindowText(hwnd)});
            });
        case WM_ERASEBKGND:
            // The painting covers the background.
            return 1;
        case WM_SETTEXT:
        case WM_ENABLE:
            return DefaultThenRepaint(hwnd, message, wparam, lparam);
        case WM_LBUTTONDBLCLK:
            // Radio buttons and notifying buttons report the double click;
            // the others take it as a second press.
            if (IsRadio(type) || (GetWindowLongA(hwnd, GWL_STYLE) & BS_NOTIFY)) {
                NotifyParent(hwnd, BN_DOUBLECLICKED);
                return 0;
            }
            [[fallthrough]];
        case WM_LBUTTONDOWN:
            if (type == BS_GROUPBOX) return 0;
            SetFocus(hwnd);
            SetCapture(hwnd);
            SetPushed(hwnd, *state, true);
            return 0;
        case WM_MOUSEMOVE:
            if (GetCapture() == hwnd) {
                RECT client;
                GetClientRect(hwnd, &client);
                POINT pt{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
                SetPushed(hwnd, *state,
                          pt.x >= 0 && pt.y >= 0 && pt.x < client.right && pt.y < client.bottom);
            }
            return 0;
        case WM_LBUTTONUP: {
            if (GetCapture() != hwnd) return 0;
            bool pushed = state->pushed;
            ReleaseCapture();
            if (pushed) Click(hwnd);
            return 0;
        }
        case WM_CAPTURECHANGED:
            SetPushed(hwnd, *state, false);
            return 0;
        case WM_KEYDOWN:
            if (wparam == VK_SPACE && type != BS_GROUPBOX) SetPushed(hwnd, *state, true);
            return 0;
        case WM_KEYUP:
            if (wparam == VK_SPACE && state->pushed) {
                SetPushed(hwnd, *state, false);
                Click(hwnd);
            }
            return 0;
        case WM_SETFOCUS:
            state->focused = true;
            InvalidateRect(hwnd, nullptr, FALSE);
            if (GetWindowLongA(hwnd, GWL_STYLE) & BS_NOTIFY) NotifyParent(hwnd, BN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            state->focused = false;
            if (state->pushed && GetCapture() == hwnd) ReleaseCapture();
            SetPushed(hwnd, *state, false);
            InvalidateRect(hwnd, nullptr, FALSE);
            if (GetWindowLongA(hwnd, GWL_STYLE) & BS_NOTIFY) NotifyParent(hwnd, BN_KILLFOCUS);
            return 0;
        case BM_GETCHECK:
            return IsCheck(type) || IsRadio(type) ? state->check : BST_UNCHECKED;
        case BM_SETCHECK: {
            // Setting the state sends no notification.
            UINT check = static_cast<UINT>(wparam);
            if (type != BS_3STATE && type != BS_AUTO3STATE && check == BST_INDETERMINATE)
                check = BST_CHECKED;
            if (!IsCheck(type) && !IsRadio(type)) return 0;
            if (state->check != check) {
                state->check = check;
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            // A checked radio button is the one that Tab reaches.
            if (IsRadio(type)) {
                LONG style = GetWindowLongA(hwnd, GWL_STYLE);
                LONG wanted = check == BST_CHECKED ? style | WS_TABSTOP : style & ~WS_TABSTOP;
                if (wanted != style && GetParent(hwnd)) SetWindowLongA(hwnd, GWL_STYLE, wanted);
            }
            return 0;
        }
        case BM_GETSTATE:
            return state->check | (state->pushed ? BST_PUSHED : 0) |
                   (state->focused ? BST_FOCUS : 0);
        case BM_SETSTATE:
            SetPushed(hwnd, *state, wparam != 0);
            return 0;
        case BM_SETSTYLE: {
            LONG style = GetWindowLongA(hwnd, GWL_STYLE);
            SetWindowLongA(hwnd, GWL_STYLE,
                           (style & ~static_cast<LONG>(BS_TYPEMASK)) |
                               (static_cast<LONG>(wparam) & BS_TYPEMASK));
            if (LOWORD(lparam)) InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        }
        case BM_CLICK:
            if (IsWindowEnabled(hwnd) && type != BS_GROUPBOX) Click(hwnd);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace kmxwin::win
