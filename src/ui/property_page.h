// A page of a property sheet, made from a dialog template of the library's
// module when its tab is first selected. The sheet's OK reaches every made
// page as OnOK, its Cancel (and close box) as OnCancel.
#pragma once

#include <prsht.h>

#include "ui/dialog_window.h"

namespace kmx::ui {

class PropertyPage : public DialogWindow {
  public:
    // TITLE_KEY: the language key of the page's tab title.
    PropertyPage(int template_id, const char* title_key)
        : DialogWindow(template_id), title_key_(title_key) {}

    // The page record for a sheet, titled with the current language's text;
    // null when the template cannot be found.
    HPROPSHEETPAGE CreateSheetPage();

  protected:
    virtual void OnOK() {}
    virtual void OnCancel() {}
    // Ends the sheet as its Cancel button does, once the handler that asks
    // for it has returned: every made page's OnCancel runs.
    void EndSheetAsCancel() const;

    bool OnNotify(const NMHDR& header, LRESULT& answer) override;

  private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

    const char* const title_key_;
};

}  // namespace kmx::ui
