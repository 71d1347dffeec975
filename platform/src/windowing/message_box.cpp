// MessageBoxA: a modal dialog built in memory with the text, the caption and
// the buttons that the type asks for.
#include "text/ansi_code_page.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Button {
    int id;
    const char16_t* label;
};

std::vector<Button> ButtonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return {{IDOK, u"OK"}, {IDCANCEL, u"Cancel"}};
        case MB_ABORTRETRYIGNORE:
            return {{IDABORT, u"&Abort"}, {IDRETRY, u"&Retry"}, {IDIGNORE, u"&Ignore"}};
        case MB_YESNOCANCEL:
            return {{IDYES, u"&Yes"}, {IDNO, u"&No"}, {IDCANCEL, u"Cancel"}};
        case MB_YESNO:
            return {{IDYES, u"&Yes"}, {IDNO, u"&No"}};
        case MB_RETRYCANCEL:
            return {{IDRETRY, u"&Retry"}, {IDCANCEL, u"Cancel"}};
        case MB_CANCELTRYCONTINUE:
            return {{IDCANCEL, u"Cancel"}, {IDTRYAGAIN, u"&Try Again"}, {IDCONTINUE, u"&Continue"}};
        default:
            return {{IDOK, u"OK"}};
    }
}

// The size of TEXT's lines in the dialog font, in pixels.
SIZE TextSize(const std::string& text) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                             0, "MS Sans Serif");
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SIZE total{0, 0};
    size_t start = 0;
    do {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        SIZE size{};
        GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size);
        total.cx = std::max(total.cx, size.cx);
        total.cy += metrics.tmHeight;
        start = end == std::string::npos ? end : end + 1;
    } while (start != std::string::npos);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    return total;
}

class TemplateWriter {
  public:
    void Word(WORD value) { words_.push_back(value); }
    void Dword(DWORD value) {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void Text(const std::u16string& text) {
        for (char16_t c : text) Word(c);
        Word(0);
    }
    void Align() {
        if (words_.size() % 2) Word(0);
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD class_atom,
              const std::u16string& text) {
        Align();
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        for (short v : {x, y, cx, cy}) Word(static_cast<WORD>(v));
        Word(id);
        Word(0xFFFF);
        Word(class_atom);
        Text(text);
        Word(0);
    }
    const void* Data() const { return words_.data(); }

  private:
    std::vector<WORD> words_;
};

struct BoxState {
    bool has_cancel;
    bool only_ok;
    int default_id;
};

INT_PTR CALLBACK BoxProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        // The default button starts with the focus.
        SetFocus(GetDlgItem(dialog, reinterpret_cast<const BoxState*>(lparam)->default_id));
        return FALSE;
    }
    if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED) {
        auto* state = reinterpret_cast<const BoxState*>(GetWindowLongPtrA(dialog, DWLP_USER));
        int id = LOWORD(wparam);
        // Esc and the close box answer Cancel, or OK when OK is all there is.
        if (id == IDCANCEL && !state->has_cancel) {
            if (!state->only_ok) return TRUE;
            id = IDOK;
        }
        EndDialog(dialog, id);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

extern "C" {

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    std::string text = lpText ? lpText : "";
    std::u16string caption = kmxwin::text::AnsiToUtf16(lpCaption ? lpCaption : "Error");
    std::vector<Button> buttons = ButtonsOf(uType);
    size_t default_index = std::min<size_t>((uType & MB_DEFMASK) >> 8, buttons.size() - 1);

    // Dialog units of the 6x13 dialog font: 4 per average width, 8 per height.
    SIZE pixels = TextSize(text);
    short text_cx = static_cast<short>((pixels.cx * 4 + 5) / 6 + 1);
    short text_cy = static_cast<short>((pixels.cy * 8 + 12) / 13);
    constexpr short kButtonCx = 50, kButtonCy = 14, kGap = 6, kMargin = 10;
    short buttons_cx = static_cast<short>(buttons.size() * kButtonCx + (buttons.size() - 1) * kGap);
    short cx = static_cast<short>(std::max(text_cx, buttons_cx) + 2 * kMargin);
    short cy = static_cast<short>(kMargin + text_cy + kMargin + kButtonCy + kMargin);

    TemplateWriter writer;
    writer.Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER |
                 WS_VISIBLE);
    writer.Dword(WS_EX_DLGMODALFRAME | ((uType & MB_TOPMOST) ? WS_EX_TOPMOST : 0));
    writer.Word(static_cast<WORD>(buttons.size() + 1));
    for (short v : {short(0), short(0), cx, cy}) writer.Word(static_cast<WORD>(v));
    writer.Word(0);
    writer.Word(0);
    writer.Text(caption);
    writer.Word(8);
    writer.Text(u"MS Sans Serif");
    writer.Item(SS_LEFT | SS_NOPREFIX, kMargin, kMargin, text_cx, text_cy, 0xFFFF, 0x0082,
                kmxwin::text::AnsiToUtf16(text));
    short x = static_cast<short>((cx - buttons_cx) / 2);
    for (size_t i = 0; i < buttons.size(); ++i) {
        DWORD style = WS_TABSTOP | (i == default_index ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) |
                      (i == 0 ? WS_GROUP : 0);
        writer.Item(style, x, static_cast<short>(cy - kMargin - kButtonCy), kButtonCx, kButtonCy,
                    static_cast<WORD>(buttons[i].id), 0x0080, buttons[i].label);
        x = static_cast<short>(x + kButtonCx + kGap);
    }

    BoxState state{std::any_of(buttons.begin(), buttons.end(),
                               [](const Button& b) { return b.id == IDCANCEL; }),
                   buttons.size() == 1, buttons[default_index].id};
    if (uType & MB_ICONMASK) MessageBeep(uType & MB_ICONMASK);
    INT_PTR result = DialogBoxIndirectParamA(nullptr, static_cast<LPCDLGTEMPLATEA>(writer.Data()),
                                             hWnd, BoxProc, reinterpret_cast<LPARAM>(&state));
    return result < 0 ? 0 : static_cast<int>(result);
}

}  // extern "C"
