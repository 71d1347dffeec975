#include "ui/dialog.h"

#include "ui/application.h"

namespace kmx::ui {

INT_PTR Dialog::RunModal(HWND parent) {
    return DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(TemplateId()), parent, Procedure,
                           reinterpret_cast<LPARAM>(this));
}

bool Dialog::OnCommand(int id, int /*code*/) {
    switch (id) {
        case IDOK:
            OnOK();
            return true;
        case IDCANCEL:
            OnCancel();
            return true;
    }
    return false;
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    DialogWindow* self = message == WM_INITDIALOG ? reinterpret_cast<Dialog*>(lparam) : Bound(hwnd);
    return Dispatch(self, hwnd, message, wparam, lparam);
}

}  // namespace kmx::ui
