// Dialogs from templates: CreateDialogIndirectParam and the forms built on
// it, DialogBox's modal loop and EndDialog.
#include "windowing/dialog_manager.h"
#include "windowing/dialog_template.h"
#include "text/ansi_code_page.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_procedure.h"

#include <memory>
#include <utility>
#include <string>

namespace kmxwin::win {
namespace {

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageTo(hwnd, message, wparam, lparam, false);
}

// Dialog units to pixels: x in quarters, y in eighths of the font's units.
RECT ToPixels(const RECT& units, SIZE base) {
    return {MulDiv(units.left, base.cx, 4), MulDiv(units.top, base.cy, 8),
            MulDiv(units.right, base.cx, 4), MulDiv(units.bottom, base.cy, 8)};
}

std::string ClassNameOf(const TemplateName& name, std::string& storage) {
    if (!name.present) return {};
    if (name.text.empty()) {
        const char* predefined = PredefinedClassName(name.number);
        return predefined ? predefined : std::string{};
    }
    return storage = kmxwin::text::Utf16ToAnsi(name.text);
}

HWND CreateFromTemplate(HINSTANCE instance, const DialogTemplate& dialog, HWND owner, DLGPROC proc,
                        LPARAM param, bool unicode, bool modal) {
    DWORD style = dialog.style;
    DWORD ex_style = dialog.ex_style;
    if (style & DS_MODALFRAME) ex_style |= WS_EX_DLGMODALFRAME;
    if (style & DS_CONTROL) {
        style &= ~(WS_CAPTION | WS_SYSMENU);
        ex_style |= WS_EX_CONTROLPARENT;
    }
    HFONT font = nullptr;
    if (dialog.has_font) {
        font =
            CreateFontW(-MulDiv(dialog.point_size, 96, 72), 0, 0, 0, dialog.weight, dialog.italic,
                        FALSE, FALSE, dialog.charset, 0, 0, 0, 0, dialog.face.c_str());
    }
    SIZE base = DialogFontUnits(font);
    RECT client = ToPixels({dialog.x, dialog.y, dialog.x + dialog.cx, dialog.y + dialog.cy}, base);
    RECT frame{0, 0, client.right - client.left, client.bottom - client.top};
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    POINT position{client.left + frame.left, client.top + frame.top};
    if (style & DS_CENTER) {
        position = {(GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                    (GetSystemMetrics(SM_CYSCREEN) - height) / 2};
    } else if (owner && !(style & DS_ABSALIGN)) {
        // The template's position is in the owner's client coordinates.
        POINT origin{0, 0};
        ClientToScreen(owner, &origin);
        if (style & WS_CHILD) origin = {0, 0};
        position.x += origin.x;
        position.y += origin.y;
    }

    std::string class_storage;
    std::string class_name = ClassNameOf(dialog.window_class, class_storage);
    std::string title = kmxwin::text::Utf16ToAnsi(dialog.title.text);
    HWND hwnd = CreateWindowExA(ex_style, class_name.empty() ? WC_DIALOG : class_name.c_str(),
                                title.c_str(), style & ~WS_VISIBLE, position.x, position.y, width,
                                height, owner, nullptr, instance, reinterpret_cast<LPVOID>(param));
    if (!hwnd) {
        if (font) DeleteObject(font);
        return nullptr;
    }
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window) return nullptr;
        window->dialog = std::make_unique<DialogData>();
        window->dialog->font = font;
        window->dialog->owns_font = font != nullptr;
        window->dialog->base_units = base;
        window->dialog->unicode = unicode;
        window->dialog->modal = modal;
    }
    SetWindowLongPtrA(hwnd, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
    if (font) Send(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);

    UINT default_id = 0;
    for (const DialogItemTemplate& item : dialog.items) {
        std::string item_class_storage;
        std::string item_class = ClassNameOf(item.window_class, item_class_storage);
        std::string text;
        LPCSTR item_text = "";
        if (item.title.IsNumber()) {
            item_text = MAKEINTRESOURCEA(item.title.number);
        } else {
            text = kmxwin::text::Utf16ToAnsi(item.title.text);
            item_text = text.c_str();
        }
        RECT rect = ToPixels({item.x, item.y, item.x + item.cx, item.y + item.cy}, base);
        // Dialogs have the 3-D look: a control's border is a sunken edge.
        DWORD style = item.style | WS_CHILD, ex_style = item.ex_style | WS_EX_NOPARENTNOTIFY;
        if (style & WS_BORDER) {
            style &= ~WS_BORDER;
            ex_style |= WS_EX_CLIENTEDGE;
        }
        HWND control =
            CreateWindowExA(ex_style, item_class.c_str(), item_text, style, rect.left, rect.top,
                            rect.right - rect.left, rect.bottom - rect.top, hwnd,
                            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.id)), instance,
                            const_cast<BYTE*>(item.creation_data));
        if (!control) {
            if (dialog.style & DS_NOFAILCREATE) continue;
            DestroyWindow(hwnd);
            return nullptr;
        }
        if (font) Send(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
        if (!default_id && (Send(control, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON))
            default_id = item.id;
    }
    WithDialog(hwnd, [&](DialogData& data) { data.default_id = default_id; });

    HWND first = GetNextDlgTabItem(hwnd, nullptr, FALSE);
    LRESULT init =
        SendMessageTo(hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param, unicode);
    if (!IsWindow(hwnd)) return nullptr;
    if (init) {
        // The focus goes to the first control once the dialog is active.
        first = GetNextDlgTabItem(hwnd, nullptr, FALSE);
        WithDialog(hwnd, [&](DialogData& data) { data.focus = first; });
        if (IsWindowVisible(hwnd) && first) SetDialogFocus(first);
    }
    bool ended = false;
    WithDialog(hwnd, [&](DialogData& data) { ended = data.ended; });
    if ((dialog.style & WS_VISIBLE) && !ended) ShowWindow(hwnd, SW_SHOWNORMAL);
    return hwnd;
}

HWND CreateIndirect(HINSTANCE instance, const void* data, std::optional<size_t> size, HWND owner,
                    DLGPROC proc, LPARAM param, bool unicode, bool modal) {
    std::optional<DialogTemplate> dialog = ParseDialogTemplate(data, size);
    if (!dialog) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (modal) dialog->style |= WS_VISIBLE;
    return CreateFromTemplate(instance, *dialog, owner, proc, param, unicode, modal);
}

// The template resource NAME of INSTANCE, and its size.
template <class Char>
const void* FindTemplate(HINSTANCE instance, const Char* name, size_t* size) {
    HRSRC resource;
    if constexpr (sizeof(Char) == 1)
        resource = FindResourceA(instance, name, MAKEINTRESOURCEA(5));
    else
        resource = FindResourceW(instance, name, MAKEINTRESOURCEW(5));
    if (!resource) return nullptr;
    *size = SizeofResource(instance, resource);
    return LockResource(LoadResource(instance, resource));
}

INT_PTR RunModal(HWND hwnd, HWND owner) {
    // The owner takes no input while its modal dialog runs.
    if (owner && IsWindowEnabled(owner)) {
        EnableWindow(owner, FALSE);
        WithDialog(hwnd, [&](DialogData& data) { data.disabled_owner = owner; });
    }
    MSG msg;
    for (;;) {
        bool ended = true;
        INT_PTR result = -1;
        WithDialog(hwnd, [&](DialogData& data) {
            ended = data.ended;
            result = data.result;
        });
        if (ended) {
            HWND disabled = nullptr;
            WithDialog(hwnd, [&](DialogData& data) { disabled = data.disabled_owner; });
            if (disabled) EnableWindow(disabled, TRUE);
            DestroyWindow(hwnd);
            return result;
        }
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && owner &&
            !(GetWindowLongA(hwnd, GWL_STYLE) & DS_NOIDLEMSG))
            Send(owner, WM_ENTERIDLE, 0, reinterpret_cast<LPARAM>(hwnd));
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // WM_QUIT ends the dialog and stays for the loop outside.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            if (owner) EnableWindow(owner, TRUE);
            DestroyWindow(hwnd);
            return -1;
        }
        if (!IsDialogMessageA(hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

INT_PTR Modal(HINSTANCE instance, const void* data, std::optional<size_t> size, HWND owner,
              DLGPROC proc, LPARAM param, bool unicode) {
    if (owner) owner = GetAncestor(owner, GA_ROOT);
    HWND hwnd = CreateIndirect(instance, data, size, owner, proc, param, unicode, true);
    if (!hwnd) return -1;
    return RunModal(hwnd, owner);
}

}  // namespace
}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

HWND WINAPI CreateDialogIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA lpTemplate,
                                       HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    return CreateIndirect(hInstance, lpTemplate, std::nullopt, hWndParent, lpDialogFunc,
                          dwInitParam, false, false);
}

HWND WINAPI CreateDialogIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW lpTemplate,
                                       HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    return CreateIndirect(hInstance, lpTemplate, std::nullopt, hWndParent, lpDialogFunc,
                          dwInitParam, true, false);
}

HWND WINAPI CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    size_t size = 0;
    const void* data = FindTemplate(hInstance, lpTemplateName, &size);
    if (!data) return nullptr;
    return CreateIndirect(hInstance, data, size, hWndParent, lpDialogFunc, dwInitParam, false,
                          false);
}

HWND WINAPI CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    size_t size = 0;
    const void* data = FindTemplate(hInstance, lpTemplateName, &size);
    if (!data) return nullptr;
    return CreateIndirect(hInstance, data, size, hWndParent, lpDialogFunc, dwInitParam, true,
                          false);
}

INT_PTR WINAPI DialogBoxIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA hDialogTemplate,
                                       HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    return Modal(hInstance, hDialogTemplate, std::nullopt, hWndParent, lpDialogFunc, dwInitParam,
                 false);
}

INT_PTR WINAPI DialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW hDialogTemplate,
                                       HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    return Modal(hInstance, hDialogTemplate, std::nullopt, hWndParent, lpDialogFunc, dwInitParam,
                 true);
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    size_t size = 0;
    const void* data = FindTemplate(hInstance, lpTemplateName, &size);
    if (!data) return -1;
    return Modal(hInstance, data, size, hWndParent, lpDialogFunc, dwInitParam, false);
}

INT_PTR WINAPI DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    size_t size = 0;
    const void* data = FindTemplate(hInstance, lpTemplateName, &size);
    if (!data) return -1;
    return Modal(hInstance, data, size, hWndParent, lpDialogFunc, dwInitParam, true);
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
    HWND owner = nullptr;
    bool modal = false;
    bool found = WithDialog(hDlg, [&](DialogData& data) {
        data.ended = true;
        data.result = nResult;
        modal = data.modal;
        owner = std::exchange(data.disabled_owner, nullptr);
    });
    if (!found) {
        if (!IsWindow(hDlg)) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    // The owner comes back before the dialog hides, so that it takes the
    // activation.
    if (owner) EnableWindow(owner, TRUE);
    if (modal) {
        SetWindowPos(hDlg, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        PostMessageA(hDlg, WM_NULL, 0, 0);
    }
    return TRUE;
}

}  // extern "C"
