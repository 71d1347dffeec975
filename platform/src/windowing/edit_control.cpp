// The "Edit" class as a single-line edit control: typing, deleting and
// moving with the keyboard, a selection, a text limit, read-only, number-only
// and password forms, and the EN_ notifications.
#include "windowing/control_procs.h"
#include "windowing/control_state.h"

#include <string.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace kmxwin::win {
namespace {

// The limit before EM_LIMITTEXT, and what EM_LIMITTEXT(0) means.
constexpr size_t kDefaultLimit = 32767;
constexpr size_t kLargestLimit = 0x7FFFFFFE;

struct EditState {
    std::string text;
    size_t anchor = 0;  // the selection runs from anchor to caret
    size_t caret = 0;
    size_t limit = kDefaultLimit;
    bool modified = false;
    bool focused = false;
    char password = 0;
    HFONT font = nullptr;

    size_t SelectionStart() const { return std::min(anchor, caret); }
    size_t SelectionEnd() const { return std::max(anchor, caret); }
};

DWORD StyleOf(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
}

void Changed(HWND hwnd, EditState& state) {
    state.modified = true;
    InvalidateRect(hwnd, nullptr, TRUE);
    NotifyParent(hwnd, EN_UPDATE);
    NotifyParent(hwnd, EN_CHANGE);
}

// Puts INSERT in place of the selection, as far as the limit allows; false
// when nothing of it fitted.
bool ReplaceSelection(HWND hwnd, EditState& state, std::string insert) {
    DWORD style = StyleOf(hwnd);
    if (style & ES_UPPERCASE)
        for (char& c : insert) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (style & ES_LOWERCASE)
        for (char& c : insert) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    size_t start = state.SelectionStart(), end = state.SelectionEnd();
    size_t room = state.limit - std::min(state.limit, state.text.size() - (end - start));
    bool truncated = insert.size() > room;
    if (truncated) insert.resize(room);
    if (insert.empty() && start == end) {
        if (truncated) NotifyParent(hwnd, EN_MAXTEXT);
        return false;
    }
    state.text.replace(start, end - start, insert);
    state.anchor = state.caret = start + insert.size();
    Changed(hwnd, state);
    if (truncated) NotifyParent(hwnd, EN_MAXTEXT);
    return true;
}

void MoveCaret(HWND hwnd, EditState& state, size_t to, bool extend) {
    state.caret = std::min(to, state.text.size());
    if (!extend) state.anchor = state.caret;
    InvalidateRect(hwnd, nullptr, FALSE);
}

void TypeCharacter(HWND hwnd, EditState& state, unsigned char c) {
    DWORD style = StyleOf(hwnd);
    if (c == '\b') {
        if (style & ES_READONLY) return;
        if (state.anchor == state.caret) {
            if (state.caret == 0) return;
            state.anchor = state.caret - 1;
        }
        ReplaceSelection(hwnd, state, {});
        return;
    }
    if (c < ' ') return;
    if ((style & ES_READONLY) || ((style & ES_NUMBER) && !isdigit(c))) {
        MessageBeep(0);
        return;
    }
    if (!ReplaceSelection(hwnd, state, std::string(1, static_cast<char>(c)))) MessageBeep(0);
}

void KeyDown(HWND hwnd, EditState& state, WPARAM key) {
    bool shift = GetKeyState(VK_SHIFT) & 0x8000;
    switch (key) {
        case VK_LEFT:
            if (!shift && state.anchor != state.caret)
                MoveCaret(hwnd, state, state.SelectionStart(), false);
            else if (state.caret > 0)
                MoveCaret(hwnd, state, state.caret - 1, shift);
            break;
        case VK_RIGHT:
            if (!shift && state.anchor != state.caret)
                MoveCaret(hwnd, state, state.SelectionEnd(), false);
            else
                MoveCaret(hwnd, state, state.caret + 1, shift);
            break;
        case VK_HOME:
            MoveCaret(hwnd, state, 0, shift);
            break;
        case VK_END:
            MoveCaret(hwnd, state, state.text.size(), shift);
            break;
        case VK_DELETE:
            if (StyleOf(hwnd) & ES_READONLY) return;
            if (state.anchor == state.caret) {
                if (state.caret >= state.text.size()) return;
                state.anchor = state.caret + 1;
            }
            ReplaceSelection(hwnd, state, {});
            break;
        default:
            break;
    }
}

void SetSelection(HWND hwnd, EditState& state, WPARAM from, LPARAM to) {
    long long start = static_cast<long long>(static_cast<int>(from));
    long long end = static_cast<long long>(static_cast<int>(to));
    size_t size = state.text.size();
    if (start < 0) {
        // -1 takes the selection away, leaving the caret where it is.
        state.anchor = state.caret;
    } else {
        if (end < 0) end = static_cast<long long>(size);
        state.anchor = std::min<size_t>(static_cast<size_t>(start), size);
        state.caret = std::min<size_t>(static_cast<size_t>(end), size);
    }
    InvalidateRect(hwnd, nullptr, FALSE);
}

}  // namespace

LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    EditState* state = ControlState<EditState>(hwnd);
    if (!state && message != WM_NCCREATE) return DefWindowProcA(hwnd, message, wparam, lparam);
    switch (message) {
        case WM_NCCREATE: {
            EditState* made = AttachControlState<EditState>(hwnd);
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
            if (create->lpszName && !IS_INTRESOURCE(create->lpszName))
                made->text = create->lpszName;
            if (create->style & ES_PASSWORD) made->password = '*';
            return TRUE;
        }
        case WM_NCDESTROY:
            FreeControlState<EditState>(hwnd);
            break;
        case WM_GETDLGCODE:
            return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        case WM_SETFONT:
            state->font = reinterpret_cast<HFONT>(wparam);
            if (LOWORD(lparam)) InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(state->font);
        case WM_SETTEXT:
            state->text = lparam ? reinterpret_cast<LPCSTR>(lparam) : "";
            state->anchor = state->caret = 0;
            state->modified = false;
            InvalidateRect(hwnd, nullptr, TRUE);
            NotifyParent(hwnd, EN_UPDATE);
            NotifyParent(hwnd, EN_CHANGE);
            return TRUE;
        case WM_GETTEXT: {
            if (!lparam || wparam == 0) return 0;
            size_t count = std::min<size_t>(state->text.size(), wparam - 1);
            memcpy(reinterpret_cast<char*>(lparam), state->text.data(), count);
            reinterpret_cast<char*>(lparam)[count] = '\0';
            return static_cast<LRESULT>(count);
        }
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(state->text.size());
        case WM_CHAR:
            TypeCharacter(hwnd, *state, static_cast<unsigned char>(wparam));
            return 0;
        case WM_KEYDOWN:
            KeyDown(hwnd, *state, wparam);
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(hwnd);
            return 0;
        case WM_SETFOCUS:
            state->focused = true;
            InvalidateRect(hwnd, nullptr, FALSE);
            NotifyParent(hwnd, EN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            state->focused = false;
            InvalidateRect(hwnd, nullptr, FALSE);
            NotifyParent(hwnd, EN_KILLFOCUS);
            return 0;
        case WM_ENABLE:
            InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case EM_GETSEL: {
            auto start = static_cast<DWORD>(state->SelectionStart());
            auto end = static_cast<DWORD>(state->SelectionEnd());
            if (wparam) *reinterpret_cast<DWORD*>(wparam) = start;
            if (lparam) *reinterpret_cast<DWORD*>(lparam) = end;
            return MAKELRESULT(std::min<DWORD>(start, 0xFFFF), std::min<DWORD>(end, 0xFFFF));
        }
        case EM_SETSEL:
            SetSelection(hwnd, *state, wparam, lparam);
            return 0;
        case EM_REPLACESEL:
            ReplaceSelection(hwnd, *state, lparam ? reinterpret_cast<LPCSTR>(lparam) : "");
            return 0;
        case EM_GETMODIFY:
            return state->modified;
        case EM_SETMODIFY:
            state->modified = wparam != 0;
            return 0;
        case EM_LIMITTEXT:
            state->limit = wparam ? std::min<size_t>(wparam, kLargestLimit) : kLargestLimit;
            return 0;
        case EM_GETLIMITTEXT:
            return static_cast<LRESULT>(state->limit);
        case EM_SETREADONLY: {
            LONG style = GetWindowLongA(hwnd, GWL_STYLE);
            SetWindowLongA(hwnd, GWL_STYLE, wparam ? style | ES_READONLY : style & ~ES_READONLY);
            InvalidateRect(hwnd, nullptr, TRUE);
            return TRUE;
        }
        case EM_GETLINECOUNT:
            return 1;
        case EM_LINELENGTH:
            return static_cast<LRESULT>(state->text.size());
        case EM_SETPASSWORDCHAR:
            state->password = static_cast<char>(wparam);
            InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case EM_GETPASSWORDCHAR:
            return static_cast<unsigned char>(state->password);
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace kmxwin::win
