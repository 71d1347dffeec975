// PropertySheetA: making the sheet from its header, its modal loop, and the
// messages of its dialog.
#include "controls/property_sheet.h"

#include "controls/control_classes.h"
#include "controls/page_template.h"
#include "controls/string_resource.h"

#include <string.h>

#include <new>

namespace kmxwin::controls {
namespace {

// What a header may ask for that only wizards and modeless sheets have.
constexpr DWORD kWizardFlags = 0x00000020 /* PSH_WIZARD */ | 0x00004000 /* PSH_AEROWIZARD */ |
                               0x01000000 /* PSH_WIZARD97 */ | 0x00200000 /* PSH_WIZARD_LITE */;
constexpr DWORD kModelessFlag = 0x00000400; /* PSH_MODELESS */

}  // namespace

PropertySheet::PropertySheet(const PROPSHEETHEADERA& header)
    : owner_(header.hwndParent),
      instance_(header.hInstance),
      flags_(header.dwFlags),
      caption_(TextOrStringResource(header.hInstance, header.pszCaption)),
      callback_((header.dwFlags & PSH_USECALLBACK) ? header.pfnCallback : nullptr) {}

PropertySheet::~PropertySheet() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
    for (HPROPSHEETPAGE page : pages_) _PSP::Destroy(page);
}

bool PropertySheet::TakePages(const PROPSHEETHEADERA& header) {
    bool usable = true;
    if (header.dwFlags & PSH_PROPSHEETPAGE) {
        // Records of different versions may follow each other: each gives
        // its own size.
        const BYTE* record = reinterpret_cast<const BYTE*>(header.ppsp);
        for (UINT index = 0; index < header.nPages && record && usable; ++index) {
            auto* page_record = reinterpret_cast<LPCPROPSHEETPAGEA>(record);
            HPROPSHEETPAGE page = CreatePropertySheetPageA(page_record);
            if (!page) usable = false;
            pages_.push_back(page);
            record += page_record->dwSize;
        }
        usable = usable && record;
    } else {
        // The handles belong to the sheet now, usable or not.
        for (UINT index = 0; index < header.nPages && header.phpage; ++index) {
            HPROPSHEETPAGE page = header.phpage[index];
            if (_PSP::IsPage(page))
                pages_.push_back(page);
            else
                usable = false;
        }
        usable = usable && (header.phpage || header.nPages == 0);
    }
    std::erase(pages_, nullptr);
    if (!usable) SetLastError(ERROR_INVALID_PARAMETER);
    return usable;
}

int PropertySheet::StartPage(const PROPSHEETHEADERA& header) const {
    if (!(header.dwFlags & PSH_USEPSTARTPAGE))
        return header.nStartPage < pages_.size() ? static_cast<int>(header.nStartPage) : 0;
    std::string wanted = TextOrStringResource(header.hInstance, header.pStartPage);
    for (size_t index = 0; index < pages_.size(); ++index)
        if (pages_[index]->Title() == wanted) return static_cast<int>(index);
    return 0;
}

INT_PTR PropertySheet::Run(const PROPSHEETHEADERA& header) {
    if (header.dwSize < PROPSHEETHEADERA_V1_SIZE ||
        (header.dwFlags & (kWizardFlags | kModelessFlag))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (header.nPages > MAXPROPPAGES) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    // Pages hold common controls as often as not.
    RegisterControlClasses(ICC_WIN95_CLASSES);
    PropertySheet sheet(header);
    if (!sheet.TakePages(header)) return -1;
    sheet.start_ = sheet.StartPage(header);

    std::vector<BYTE> frame = SheetFrameTemplate(sheet.caption_);
    if (sheet.callback_)
        sheet.callback_(nullptr, PSCB_PRECREATE, reinterpret_cast<LPARAM>(frame.data()));
    sheet.hwnd_ = CreateDialogIndirectParamA(
        header.hInstance, reinterpret_cast<LPCDLGTEMPLATEA>(frame.data()), header.hwndParent,
        DialogProcedure, reinterpret_cast<LPARAM>(&sheet));
    if (!sheet.hwnd_) return -1;
    return sheet.RunModal();
}

INT_PTR PropertySheet::RunModal() {
    // As with any modal dialog the owner takes no input meanwhile.
    bool owner_disabled = owner_ && IsWindowEnabled(owner_);
    if (owner_disabled) EnableWindow(owner_, FALSE);
    if (!ended_) {
        ShowWindow(hwnd_, SW_SHOWNORMAL);
        HWND page = PageWindow(current_);
        HWND first = page ? GetNextDlgTabItem(page, nullptr, FALSE) : nullptr;
        SetFocus(first ? first : tab_);
    }
    while (!ended_ && IsWindow(hwnd_)) {
        MSG msg;
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // WM_QUIT ends the sheet and stays for the loop outside.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            result_ = -1;
            break;
        }
        if (SwitchKey(msg)) continue;
        if (!IsDialogMessageA(hwnd_, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (owner_disabled) EnableWindow(owner_, TRUE);
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    return result_;
}

INT_PTR CALLBACK PropertySheet::DialogProcedure(HWND hwnd, UINT message, WPARAM wparam,
                                                LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, DWLP_USER, lparam);
        reinterpret_cast<PropertySheet*>(lparam)->hwnd_ = hwnd;
    }
    auto* sheet = reinterpret_cast<PropertySheet*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!sheet) return FALSE;
    LRESULT answer = 0;
    bool taken = false;
    try {
        taken = sheet->OnMessage(message, wparam, lparam, answer);
    } catch (const std::bad_alloc&) {
        taken = false;
    }
    if (!taken) return FALSE;
    if (message == WM_INITDIALOG) return answer;
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, answer);
    return TRUE;
}

bool PropertySheet::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& answer) {
    switch (message) {
        case WM_INITDIALOG:
            BuildFrame();
            answer = FALSE;  // the focus is set once the sheet shows
            return true;
        case WM_COMMAND:
            return HIWORD(wparam) == BN_CLICKED && OnCommand(LOWORD(wparam));
        case WM_SYSCOMMAND:
            if ((wparam & 0xFFF0) != SC_CLOSE) return false;
            Cancel(true);
            return true;
        case WM_CLOSE:
            Cancel(true);
            return true;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lparam);
            if (!header || header->hwndFrom != tab_) return false;
            if (header->code == TCN_SELCHANGING) {
                answer = !KillActive();
                return true;
            }
            if (header->code == TCN_SELCHANGE) {
                int chosen = TabCtrl_GetCurSel(tab_);
                if (!ShowPage(chosen)) TabCtrl_SetCurSel(tab_, current_);
                return true;
            }
            return false;
        }
    }
    return OnSheetMessage(message, wparam, lparam, answer);
}

bool PropertySheet::OnCommand(WORD id) {
    switch (id) {
        case IDOK:
            Apply(true);
            return true;
        case IDCANCEL:
            Cancel(false);
            return true;
        case kApplyButtonId:
            Apply(false);
            return true;
    }
    return false;
}

bool PropertySheet::OnSheetMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& answer) {
    switch (message) {
        case PSM_SETCURSEL: {
            auto* page = reinterpret_cast<HPROPSHEETPAGE>(lparam);
            int index = page ? IndexOf(page) : static_cast<int>(wparam);
            answer = SwitchTo(index);
            return true;
        }
        case PSM_REMOVEPAGE: {
            auto* page = reinterpret_cast<HPROPSHEETPAGE>(lparam);
            int index = page ? IndexOf(page) : static_cast<int>(wparam);
            if (index >= 0 && index < static_cast<int>(pages_.size())) RemovePage(index);
            return true;
        }
        case PSM_ADDPAGE: {
            auto* page = reinterpret_cast<HPROPSHEETPAGE>(lparam);
            answer = _PSP::IsPage(page) && pages_.size() < MAXPROPPAGES;
            if (answer) AddPage(page);
            return true;
        }
        case PSM_CHANGED:
        case PSM_UNCHANGED: {
            int index = IndexOf(reinterpret_cast<HWND>(wparam));
            if (index >= 0) pages_[index]->changed = message == PSM_CHANGED;
            UpdateApplyButton();
            return true;
        }
        case PSM_CANCELTOCLOSE:
            EnableWindow(cancel_, FALSE);
            SetWindowTextA(ok_, "Close");
            return true;
        case PSM_QUERYSIBLINGS:
            for (size_t index = 0; index < pages_.size() && !answer; ++index)
                if (HWND page = PageWindow(static_cast<int>(index)))
                    answer = SendMessageA(page, PSM_QUERYSIBLINGS, wparam, lparam);
            return true;
        case PSM_APPLY:
            answer = Apply(false);
            return true;
        case PSM_SETTITLEA:
            SetCaption(TextOrStringResource(instance_, reinterpret_cast<LPCSTR>(lparam)),
                       wparam & PSH_PROPTITLE);
            return true;
        case PSM_PRESSBUTTON:
            if (wparam == PSBTN_OK) Apply(true);
            if (wparam == PSBTN_CANCEL) Cancel(false);
            if (wparam == PSBTN_APPLYNOW && apply_) Apply(false);
            return true;
        case PSM_GETTABCONTROL:
            answer = reinterpret_cast<LRESULT>(tab_);
            return true;
        case PSM_GETCURRENTPAGEHWND:
            // Nothing once OK or Cancel has ended the sheet.
            answer = ended_ ? 0 : reinterpret_cast<LRESULT>(PageWindow(current_));
            return true;
        case PSM_HWNDTOINDEX:
            answer = IndexOf(reinterpret_cast<HWND>(wparam));
            return true;
        case PSM_INDEXTOHWND:
            answer = reinterpret_cast<LRESULT>(PageWindow(static_cast<int>(wparam)));
            return true;
    }
    return false;
}

}  // namespace kmxwin::controls

extern "C" INT_PTR WINAPI PropertySheetA(LPCPROPSHEETHEADERA lppsph) {
    if (!lppsph) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    try {
        return kmxwin::controls::PropertySheet::Run(*lppsph);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return -1;
    }
}
