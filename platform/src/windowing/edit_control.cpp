// The "Edit" class as a single-line edit control: typing, deleting and
// moving with the keyboard and the mouse, a selection, a caret, cut, copy
// and paste, a text limit, read-only, number-only and password forms, the
// EN_ notifications, and its picture: the text scrolled to keep the caret in
// view, the selection highlighted while the control has the focus.
#include "windowing/control_paint.h"
#include "windowing/control_procs.h"
#include "windowing/control_state.h"
#include "windowing/text_clipboard.h"

#include <string.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace kmxwin::win {
namespace {

// The limit before EM_LIMITTEXT, and what EM_LIMITTEXT(0) means.
constexpr size_t kDefaultLimit = 32767;
constexpr size_t kLargestLimit = 0x7FFFFFFE;
// Where the text starts in the client area.
constexpr int kMargin = 1;
constexpr int kTop = 1;
// The control characters that WM_CHAR brings for Ctrl+C, Ctrl+V, Ctrl+X.
constexpr unsigned char kCopyCharacter = 0x03;
constexpr unsigned char kPasteCharacter = 0x16;
constexpr unsigned char kCutCharacter = 0x18;

struct EditState {
    std::string text;
    size_t anchor = 0;  // the selection runs from anchor to caret
    size_t caret = 0;
    size_t limit = kDefaultLimit;
    bool modified = false;
    bool focused = false;
    char password = 0;
    HFONT font = nullptr;
    int scroll = 0;  // pixels of text scrolled off to the left

    size_t SelectionStart() const { return std::min(anchor, caret); }
    size_t SelectionEnd() const { return std::max(anchor, caret); }
};

DWORD StyleOf(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
}

// The text as it shows: password characters in a password control.
std::string Shown(const EditState& state) {
    return state.password ? std::string(state.text.size(), state.password) : state.text;
}

int Width(const EditState& state, const std::string& shown, size_t count) {
    return TextWidth(state.font, shown.c_str(), static_cast<int>(count));
}

int ClientWidth(HWND hwnd) {
    RECT client;
    GetClientRect(hwnd, &client);
    return client.right;
}

// The client x of the text's start: aligned as the style asks while the
// text fits, scrolled to keep the caret in view when it does not.
int TextOrigin(HWND hwnd, const EditState& state, const std::string& shown) {
    int room = ClientWidth(hwnd) - 2 * kMargin;
    int width = Width(state, shown, shown.size());
    DWORD align = StyleOf(hwnd) & (ES_CENTER | ES_RIGHT);
    if (width < room && align == ES_CENTER) return kMargin + (room - width) / 2;
    if (width < room && align == ES_RIGHT) return kMargin + room - width;
    return kMargin - state.scroll;
}

// Scrolls the caret into view and puts the caret there.
void PlaceCaret(HWND hwnd, EditState& state) {
    std::string shown = Shown(state);
    int caret = Width(state, shown, state.caret);
    int room = std::max(1, ClientWidth(hwnd) - 2 * kMargin);
    int scroll = std::clamp(state.scroll, caret - room + 1, caret);
    if (scroll != state.scroll) {
        state.scroll = std::max(0, scroll);
        InvalidateRect(hwnd, nullptr, FALSE);
    }
    if (state.focused) SetCaretPos(TextOrigin(hwnd, state, shown) + caret, kTop);
}

void Paint(HWND hwnd, const EditState& state, HDC dc) {
    DWORD style = StyleOf(hwnd);
    bool enabled = IsWindowEnabled(hwnd);
    bool editable = enabled && !(style & ES_READONLY);
    HBRUSH brush = ControlBrush(hwnd, dc, editable ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, brush);
    if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    SetBkMode(dc, TRANSPARENT);
    std::string shown = Shown(state);
    int x = TextOrigin(hwnd, state, shown);
    size_t start = state.SelectionStart(), end = state.SelectionEnd();
    if (start == end || !(state.focused || (style & ES_NOHIDESEL))) {
        TextOutA(dc, x, kTop, shown.c_str(), static_cast<int>(shown.size()));
        return;
    }
    int from = x + Width(state, shown, start), to = x + Width(state, shown, end);
    TextOutA(dc, x, kTop, shown.c_str(), static_cast<int>(start));
    TextOutA(dc, to, kTop, shown.c_str() + end, static_cast<int>(shown.size() - end));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    RECT selection{from, kTop, to, kTop + metrics.tmHeight};
    FillRect(dc, &selection, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    TextOutA(dc, from, kTop, shown.c_str() + start, static_cast<int>(end - start));
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
    PlaceCaret(hwnd, state);
    Changed(hwnd, state);
    if (truncated) NotifyParent(hwnd, EN_MAXTEXT);
    return true;
}

void MoveCaret(HWND hwnd, EditState& state, size_t to, bool extend) {
    state.caret = std::min(to, state.text.size());
    if (!extend) state.anchor = state.caret;
    InvalidateRect(hwnd, nullptr, FALSE);
    PlaceCaret(hwnd, state);
}

void Copy(const EditState& state) {
    // A password is not given away.
    if (state.password || state.anchor == state.caret) return;
    PutClipboardText(
        state.text.substr(state.SelectionStart(), state.SelectionEnd() - state.SelectionStart()));
}

void Clear(HWND hwnd, EditState& state) {
    if (!(StyleOf(hwnd) & ES_READONLY) && state.anchor != state.caret)
        ReplaceSelection(hwnd, state, {});
}

void Paste(HWND hwnd, EditState& state) {
    if (StyleOf(hwnd) & ES_READONLY) return;
    // One line holds only the first line of what is pasted.
    std::string text = ClipboardText();
    text.resize(std::min(text.size(), text.find_first_of("\r\n")));
    if (!text.empty()) ReplaceSelection(hwnd, state, text);
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
    if (c == kCopyCharacter) {
        Copy(state);
        return;
    }
    if (c == kCutCharacter) {
        Copy(state);
        Clear(hwnd, state);
        return;
    }
    if (c == kPasteCharacter) {
        Paste(hwnd, state);
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
        case VK_INSERT:
            if (GetKeyState(VK_CONTROL) & 0x8000)
                Copy(state);
            else if (shift)
                Paste(hwnd, state);
            break;
        case VK_DELETE:
            if (shift) {
                Copy(state);
                Clear(hwnd, state);
                return;
            }
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
    PlaceCaret(hwnd, state);
}

size_t BoundaryAtPoint(HWND hwnd, const EditState& state, LPARAM lparam) {
    std::string shown = Shown(state);
    int x = static_cast<short>(LOWORD(lparam)) - TextOrigin(hwnd, state, shown);
    return BoundaryAt(state.font, shown, x);
}

}  // namespace

LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    EditState* state = ControlState<EditState>(hwnd);
    if (!state && message != WM_NCCREATE) return DefWindowProcA(hwnd, message, wparam, lparam);
    if (LRESULT result; state && FontMessage(hwnd, state->font, message, wparam, lparam, result)) {
        if (message == WM_SETFONT && state->focused) {
            CreateCaret(hwnd, nullptr, 1, FontMetrics(state->font).tmHeight);
            PlaceCaret(hwnd, *state);
            ShowCaret(hwnd);
        }
        return result;
    }
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
        case WM_PAINT:
            return PaintControl(hwnd, wparam, state->font,
                                [&](HDC dc) { Paint(hwnd, *state, dc); });
        case WM_ERASEBKGND:
            return 1;
        case WM_SETTEXT:
            state->text = lparam ? reinterpret_cast<LPCSTR>(lparam) : "";
            state->anchor = state->caret = 0;
            state->scroll = 0;
            state->modified = false;
            InvalidateRect(hwnd, nullptr, TRUE);
            PlaceCaret(hwnd, *state);
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
        case WM_LBUTTONDBLCLK:
            SetFocus(hwnd);
            MoveCaret(hwnd, *state, BoundaryAtPoint(hwnd, *state, lparam),
                      (wparam & MK_SHIFT) != 0);
            SetCapture(hwnd);
            return 0;
        case WM_MOUSEMOVE:
            // Dragging with the button down selects.
            if (GetCapture() == hwnd)
                MoveCaret(hwnd, *state, BoundaryAtPoint(hwnd, *state, lparam), true);
            return 0;
        case WM_LBUTTONUP:
            if (GetCapture() == hwnd) ReleaseCapture();
            return 0;
        case WM_SETFOCUS:
            state->focused = true;
            CreateCaret(hwnd, nullptr, 1, FontMetrics(state->font).tmHeight);
            PlaceCaret(hwnd, *state);
            ShowCaret(hwnd);
            InvalidateRect(hwnd, nullptr, FALSE);
            NotifyParent(hwnd, EN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            state->focused = false;
            DestroyCaret();
            InvalidateRect(hwnd, nullptr, FALSE);
            NotifyParent(hwnd, EN_KILLFOCUS);
            return 0;
        case WM_SIZE:
            PlaceCaret(hwnd, *state);
            return 0;
        case WM_COPY:
            Copy(*state);
            return 0;
        case WM_CUT:
            Copy(*state);
            Clear(hwnd, *state);
            return 0;
        case WM_CLEAR:
            Clear(hwnd, *state);
            return 0;
        case WM_PASTE:
            Paste(hwnd, *state);
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
