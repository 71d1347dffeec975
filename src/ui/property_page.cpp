#include "ui/property_page.h"

#include "ui/application.h"
#include "ui/language_table.h"

namespace kmx::ui {

HPROPSHEETPAGE PropertyPage::CreateSheetPage() {
    PROPSHEETPAGEA page{};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_USETITLE;
    page.hInstance = ModuleInstance();
    page.pszTemplate = MAKEINTRESOURCEA(TemplateId());
    page.pszTitle = GetLanguageText(title_key_);
    page.pfnDlgProc = Procedure;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return CreatePropertySheetPageA(&page);
}

void PropertyPage::EndSheetAsCancel() const {
    PropSheet_PressButton(GetParent(Handle()), PSBTN_CANCEL);
}

bool PropertyPage::OnNotify(const NMHDR& header, LRESULT& answer) {
    switch (header.code) {
        case PSN_APPLY:
            OnOK();
            answer = PSNRET_NOERROR;
            return true;
        case PSN_RESET:
            OnCancel();
            return true;
    }
    return false;
}

INT_PTR CALLBACK PropertyPage::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    // WM_INITDIALOG brings a copy of the page record, which carries the object.
    DialogWindow* self =
        message == WM_INITDIALOG
            ? reinterpret_cast<PropertyPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lparam)->lParam)
            : Bound(hwnd);
    return Dispatch(self, hwnd, message, wparam, lparam);
}

}  // namespace kmx::ui
