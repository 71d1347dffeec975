// A modal dialog of the library, made from a dialog template of its module.
#pragma once

#include "ui/dialog_window.h"

namespace kmx::ui {

class Dialog : public DialogWindow {
  public:
    explicit Dialog(int template_id) : DialogWindow(template_id) {}

    // Shows the dialog modally, owned by PARENT (may be null); the result
    // passed to End, or -1 when the dialog could not be made.
    INT_PTR RunModal(HWND parent);

  protected:
    // The OK and Cancel buttons (and the close box); the base ones end the
    // dialog with IDOK and IDCANCEL.
    virtual void OnOK() { End(IDOK); }
    virtual void OnCancel() { End(IDCANCEL); }
    void End(INT_PTR result) const { EndDialog(Handle(), result); }

    bool OnCommand(int id, int code) override;

  private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
};

}  // namespace kmx::ui
