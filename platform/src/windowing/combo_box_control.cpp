// The "ComboBox" class as a drop-down list: a selection field and a list
// that drops down under it ("ComboLBox"), chosen from with the keyboard or
// the mouse. Setting the selection by message sends no notification; a
// choice by the user does.
#include "windowing/control_paint.h"
#include "windowing/control_procs.h"
#include "windowing/control_state.h"

#include <string.h>
#include <strings.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace kmxwin::win {
namespace {

constexpr int kDefaultItemHeight = 13;
constexpr int kFieldMargin = 8;  // the selection field is the item height plus this

struct Item {
    std::string text;
    LPARAM data = 0;
};

struct ComboState {
    std::vector<Item> items;
    int selection = CB_ERR;
    bool dropped = false;
    bool pressed_on_field = false;  // the button is still down from the press that dropped it
    HWND list = nullptr;
    int dropped_height = 0;
    int item_height = kDefaultItemHeight;
    HFONT font = nullptr;
};

int Count(const ComboState& state) {
    return static_cast<int>(state.items.size());
}

bool StartsWith(const std::string& text, const char* prefix) {
    return strncasecmp(text.c_str(), prefix, strlen(prefix)) == 0;
}

// The first item after START (-1: from the top), wrapping, that MATCHES.
template <class Match>
int Find(const ComboState& state, WPARAM start, Match matches) {
    int count = Count(state);
    int from = static_cast<int>(start);
    if (from < -1 || from >= count) from = -1;
    for (int i = 1; i <= count; ++i) {
        int index = (from + i) % count;
        if (matches(state.items[index].text)) return index;
    }
    return CB_ERR;
}

// A choice made by the user: the selection moves and the parent hears it.
void Choose(HWND hwnd, ComboState& state, int index) {
    index = std::clamp(index, 0, Count(state) - 1);
    if (Count(state) == 0 || index == state.selection) return;
    state.selection = index;
    InvalidateRect(hwnd, nullptr, TRUE);
    if (state.list) InvalidateRect(state.list, nullptr, TRUE);
    NotifyParent(hwnd, CBN_SELCHANGE);
}

int ItemHeightOf(HFONT font) {
    int height = FontMetrics(font).tmHeight;
    return height > 0 ? height : kDefaultItemHeight;
}

// Sizes the window to the selection field of the font's item height.
void FitField(HWND hwnd, const ComboState& state) {
    RECT rect;
    GetWindowRect(hwnd, &rect);
    SetWindowPos(hwnd, nullptr, 0, 0, rect.right - rect.left, state.item_height + kFieldMargin,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The arrow of the drop button, a triangle pointing down.
void PaintArrow(HDC dc, RECT button, bool pressed, COLORREF ink) {
    constexpr int kWidth = 7;
    int left = button.left + (button.right - button.left - kWidth) / 2 + (pressed ? 1 : 0);
    int top = button.top + (button.bottom - button.top - kWidth / 2 - 1) / 2 + (pressed ? 1 : 0);
    for (int row = 0; row <= kWidth / 2; ++row)
        for (int x = row; x < kWidth - row; ++x) SetPixelV(dc, left + x, top + row, ink);
}

// The closed field: a sunken box with the selected item's text, highlighted
// while the control has the focus, and the drop button, pressed while the
// list is down.
void PaintField(HWND hwnd, const ComboState& state, HDC dc) {
    bool enabled = IsWindowEnabled(hwnd);
    RECT rect;
    GetClientRect(hwnd, &rect);
    DrawEdge(dc, &rect, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    RECT button{rect.right - GetSystemMetrics(SM_CXVSCROLL), rect.top, rect.right, rect.bottom};
    if (state.dropped) {
        FrameRect(dc, &button, GetSysColorBrush(COLOR_3DSHADOW));
        RECT face = button;
        InflateRect(&face, -1, -1);
        FillRect(dc, &face, GetSysColorBrush(COLOR_3DFACE));
    } else {
        RECT face = button;
        DrawEdge(dc, &face, EDGE_RAISED, BF_RECT | BF_SOFT | BF_MIDDLE);
    }
    if (enabled) {
        PaintArrow(dc, button, state.dropped, GetSysColor(COLOR_BTNTEXT));
    } else {
        OffsetRect(&button, 1, 1);
        PaintArrow(dc, button, false, GetSysColor(COLOR_3DHIGHLIGHT));
        OffsetRect(&button, -1, -1);
        PaintArrow(dc, button, false, GetSysColor(COLOR_3DSHADOW));
    }
    RECT field{rect.left, rect.top, button.left, rect.bottom};
    FillRect(dc, &field, ControlBrush(hwnd, dc, enabled ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC));
    InflateRect(&field, -1, -1);
    bool focused = GetFocus() == hwnd && !state.dropped;
    if (focused) {
        FillRect(dc, &field, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    if (state.selection >= 0) {
        RECT text = field;
        text.left += 2;
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, state.items[state.selection].text.c_str(), -1, &text,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (focused) DrawFocusRect(dc, &field);
}

// The dropped list: the items one under the other, the selected one
// highlighted.
void PaintList(HWND list, HWND combo, const ComboState& state, HDC dc) {
    RECT client;
    GetClientRect(list, &client);
    FillRect(dc, &client, ControlBrush(combo, dc, WM_CTLCOLORLISTBOX));
    COLORREF text_color = GetTextColor(dc);
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < Count(state); ++i) {
        RECT row{0, i * state.item_height, client.right, (i + 1) * state.item_height};
        if (row.top >= client.bottom) break;
        bool selected = i == state.selection;
        if (selected) FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : text_color);
        row.left += 2;
        DrawTextA(dc, state.items[i].text.c_str(), -1, &row,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

// The list's place on the screen: under the field, as many items as the
// dropped height holds (at least one), framed by a border.
RECT ListRect(HWND hwnd, const ComboState& state) {
    RECT field;
    GetWindowRect(hwnd, &field);
    int field_height = field.bottom - field.top;
    int room = std::max(state.dropped_height - field_height, state.item_height);
    int rows = std::clamp(Count(state), 1, std::max(1, room / state.item_height));
    return {field.left, field.bottom, field.right, field.bottom + rows * state.item_height + 2};
}

void Drop(HWND hwnd, ComboState& state) {
    if (state.dropped) return;
    // The parent may fill the list now.
    NotifyParent(hwnd, CBN_DROPDOWN);
    RECT rect = ListRect(hwnd, state);
    state.list =
        CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "ComboLBox", "", WS_POPUP | WS_BORDER,
                        rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                        GetAncestor(hwnd, GA_ROOT), nullptr, nullptr, hwnd);
    if (!state.list) return;
    state.dropped = true;
    ShowWindow(state.list, SW_SHOWNA);
    SetCapture(state.list);
    InvalidateRect(hwnd, nullptr, FALSE);
}

void Close(HWND hwnd, ComboState& state, bool accept) {
    if (!state.dropped) return;
    state.dropped = false;
    state.pressed_on_field = false;
    HWND list = std::exchange(state.list, nullptr);
    if (GetCapture() == list) ReleaseCapture();
    DestroyWindow(list);
    NotifyParent(hwnd, accept ? CBN_SELENDOK : CBN_SELENDCANCEL);
    NotifyParent(hwnd, CBN_CLOSEUP);
    InvalidateRect(hwnd, nullptr, FALSE);
}

void KeyDown(HWND hwnd, ComboState& state, WPARAM key) {
    bool alt = GetKeyState(VK_MENU) & 0x8000;
    int page =
        std::max(1, (ListRect(hwnd, state).bottom - ListRect(hwnd, state).top) / state.item_height);
    switch (key) {
        case VK_F4:
            state.dropped ? Close(hwnd, state, true) : Drop(hwnd, state);
            return;
        case VK_UP:
        case VK_DOWN:
            if (alt) {
                state.dropped ? Close(hwnd, state, true) : Drop(hwnd, state);
                return;
            }
            [[fallthrough]];
        case VK_LEFT:
        case VK_RIGHT: {
            int step = (key == VK_UP || key == VK_LEFT) ? -1 : 1;
            Choose(hwnd, state, state.selection == CB_ERR ? 0 : state.selection + step);
            return;
        }
        case VK_HOME:
            Choose(hwnd, state, 0);
            return;
        case VK_END:
            Choose(hwnd, state, Count(state) - 1);
            return;
        case VK_PRIOR:
            Choose(hwnd, state, std::max(state.selection, 0) - page);
            return;
        case VK_NEXT:
            Choose(hwnd, state, std::max(state.selection, 0) + page);
            return;
        case VK_RETURN:
            Close(hwnd, state, true);
            return;
        case VK_ESCAPE:
            Close(hwnd, state, false);
            return;
        default:
            return;
    }
}

int Insert(HWND hwnd, ComboState& state, int index, const char* text) {
    if (!text) text = "";
    if (GetWindowLongA(hwnd, GWL_STYLE) & CBS_SORT && index == -2) {
        auto at = std::find_if(state.items.begin(), state.items.end(), [&](const Item& item) {
            return strcasecmp(item.text.c_str(), text) > 0;
        });
        index = static_cast<int>(at - state.items.begin());
    } else if (index < 0) {
        index = Count(state);
    } else if (index > Count(state)) {
        return CB_ERR;
    }
    state.items.insert(state.items.begin() + index, Item{text, 0});
    if (state.selection >= index) ++state.selection;
    if (state.list) InvalidateRect(state.list, nullptr, TRUE);
    return index;
}

LRESULT CopyItemText(const ComboState& state, WPARAM index, LPARAM buffer) {
    if (static_cast<int>(index) < 0 || static_cast<int>(index) >= Count(state)) return CB_ERR;
    const std::string& text = state.items[index].text;
    if (buffer) memcpy(reinterpret_cast<char*>(buffer), text.c_str(), text.size() + 1);
    return static_cast<LRESULT>(text.size());
}

}  // namespace

LRESULT CALLBACK ComboBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    ComboState* state = ControlState<ComboState>(hwnd);
    if (!state && message != WM_NCCREATE) return DefWindowProcA(hwnd, message, wparam, lparam);
    if (LRESULT result; state && FontMessage(hwnd, state->font, message, wparam, lparam, result)) {
        if (message == WM_SETFONT) {
            state->item_height = ItemHeightOf(state->font);
            FitField(hwnd, *state);
        }
        return result;
    }
    switch (message) {
        case WM_NCCREATE:
            AttachControlState<ComboState>(hwnd)->dropped_height =
                reinterpret_cast<CREATESTRUCTA*>(lparam)->cy;
            break;
        case WM_CREATE:
            // The window is the selection field; the template's height is the
            // height with the list dropped.
            FitField(hwnd, *state);
            return 0;
        case WM_NCDESTROY:
            if (state->list) DestroyWindow(state->list);
            FreeControlState<ComboState>(hwnd);
            break;
        case WM_GETDLGCODE: {
            LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
            auto* msg = reinterpret_cast<const MSG*>(lparam);
            if (state->dropped && msg && msg->message == WM_KEYDOWN &&
                (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE))
                code |= DLGC_WANTMESSAGE;
            return code;
        }
        case WM_PAINT:
            return PaintControl(hwnd, wparam, state->font,
                                [&](HDC dc) { PaintField(hwnd, *state, dc); });
        case WM_ERASEBKGND:
            return 1;
        case WM_SETTEXT: {
            // A drop-down list shows only its items: the text selects one.
            int index = Find(*state, static_cast<WPARAM>(-1), [&](const std::string& text) {
                return strcasecmp(text.c_str(), lparam ? reinterpret_cast<LPCSTR>(lparam) : "") ==
                       0;
            });
            if (index == CB_ERR) return CB_ERR;
            state->selection = index;
            InvalidateRect(hwnd, nullptr, TRUE);
            return TRUE;
        }
        case WM_GETTEXT: {
            if (!lparam || wparam == 0) return 0;
            std::string text = state->selection >= 0 ? state->items[state->selection].text : "";
            size_t count = std::min<size_t>(text.size(), wparam - 1);
            memcpy(reinterpret_cast<char*>(lparam), text.data(), count);
            reinterpret_cast<char*>(lparam)[count] = '\0';
            return static_cast<LRESULT>(count);
        }
        case WM_GETTEXTLENGTH:
            return state->selection >= 0
                       ? static_cast<LRESULT>(state->items[state->selection].text.size())
                       : 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            SetFocus(hwnd);
            if (state->dropped) {
                Close(hwnd, *state, true);
            } else {
                Drop(hwnd, *state);
                state->pressed_on_field = state->dropped;
            }
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            KeyDown(hwnd, *state, wparam);
            if (message == WM_SYSKEYDOWN && wparam != VK_UP && wparam != VK_DOWN) break;
            return 0;
        case WM_CHAR: {
            char prefix[2] = {static_cast<char>(wparam), 0};
            int index = Find(*state, static_cast<WPARAM>(state->selection),
                             [&](const std::string& text) { return StartsWith(text, prefix); });
            if (index != CB_ERR) Choose(hwnd, *state, index);
            return 0;
        }
        case WM_SETFOCUS:
            InvalidateRect(hwnd, nullptr, FALSE);
            NotifyParent(hwnd, CBN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            Close(hwnd, *state, false);
            InvalidateRect(hwnd, nullptr, FALSE);
            NotifyParent(hwnd, CBN_KILLFOCUS);
            return 0;
        case WM_ENABLE:
            if (!wparam) Close(hwnd, *state, false);
            InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case CB_ADDSTRING:
            return Insert(hwnd, *state, -2, reinterpret_cast<LPCSTR>(lparam));
        case CB_INSERTSTRING:
            return Insert(hwnd, *state, static_cast<int>(wparam), reinterpret_cast<LPCSTR>(lparam));
        case CB_DELETESTRING: {
            int index = static_cast<int>(wparam);
            if (index < 0 || index >= Count(*state)) return CB_ERR;
            state->items.erase(state->items.begin() + index);
            if (state->selection == index)
                state->selection = CB_ERR;
            else if (state->selection > index)
                --state->selection;
            InvalidateRect(hwnd, nullptr, TRUE);
            return Count(*state);
        }
        case CB_RESETCONTENT:
            state->items.clear();
            state->selection = CB_ERR;
            InvalidateRect(hwnd, nullptr, TRUE);
            return CB_OKAY;
        case CB_GETCOUNT:
            return Count(*state);
        case CB_GETCURSEL:
            return state->selection;
        case CB_SETCURSEL: {
            int index = static_cast<int>(wparam);
            bool valid = index >= 0 && index < Count(*state);
            state->selection = valid ? index : CB_ERR;
            InvalidateRect(hwnd, nullptr, TRUE);
            return valid ? index : CB_ERR;
        }
        case CB_GETLBTEXT:
            return CopyItemText(*state, wparam, lparam);
        case CB_GETLBTEXTLEN:
            return CopyItemText(*state, wparam, 0);
        case CB_GETITEMDATA:
            if (static_cast<int>(wparam) < 0 || static_cast<int>(wparam) >= Count(*state))
                return CB_ERR;
            return state->items[wparam].data;
        case CB_SETITEMDATA:
            if (static_cast<int>(wparam) < 0 || static_cast<int>(wparam) >= Count(*state))
                return CB_ERR;
            state->items[wparam].data = lparam;
            return TRUE;
        case CB_FINDSTRING:
        case CB_FINDSTRINGEXACT:
        case CB_SELECTSTRING: {
            const char* wanted = lparam ? reinterpret_cast<LPCSTR>(lparam) : "";
            int index = Find(*state, wparam, [&](const std::string& text) {
                return message == CB_FINDSTRINGEXACT ? strcasecmp(text.c_str(), wanted) == 0
                                                     : StartsWith(text, wanted);
            });
            if (message == CB_SELECTSTRING && index != CB_ERR) {
                state->selection = index;
                InvalidateRect(hwnd, nullptr, TRUE);
            }
            return index;
        }
        case CB_SHOWDROPDOWN:
            wparam ? Drop(hwnd, *state) : Close(hwnd, *state, false);
            return TRUE;
        case CB_GETDROPPEDSTATE:
            return state->dropped;
        case CB_GETDROPPEDCONTROLRECT: {
            RECT rect;
            GetWindowRect(hwnd, &rect);
            rect.bottom = rect.top + std::max<LONG>(state->dropped_height, rect.bottom - rect.top);
            if (lparam) *reinterpret_cast<RECT*>(lparam) = rect;
            return CB_OKAY;
        }
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// The dropped list. It holds the mouse while it shows: a release on an item
// chooses it, a press outside closes the list unchosen.
LRESULT CALLBACK ComboListProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    HWND combo = reinterpret_cast<HWND>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    ComboState* state = combo ? ControlState<ComboState>(combo) : nullptr;
    switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(
                                  reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams));
            break;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_PAINT:
            return PaintControl(hwnd, wparam, state ? state->font : nullptr, [&](HDC dc) {
                if (state) PaintList(hwnd, combo, *state, dc);
            });
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP: {
            if (!state) return 0;
            POINT pt{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
            RECT client;
            GetClientRect(hwnd, &client);
            bool inside = pt.x >= 0 && pt.y >= 0 && pt.x < client.right && pt.y < client.bottom;
            if (message == WM_LBUTTONDOWN) {
                state->pressed_on_field = false;
                if (!inside) Close(combo, *state, false);
                return 0;
            }
            if (!inside) {
                // The release of the press that dropped the list keeps it open.
                if (!state->pressed_on_field) Close(combo, *state, false);
                state->pressed_on_field = false;
                return 0;
            }
            int index = pt.y / state->item_height;
            if (index < Count(*state)) Choose(combo, *state, index);
            Close(combo, *state, true);
            return 0;
        }
        case WM_CAPTURECHANGED:
            if (state && state->dropped && state->list == hwnd &&
                reinterpret_cast<HWND>(lparam) != hwnd)
                PostMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace kmxwin::win
