// What a dialog and a property page share: the C++ object behind a window
// made from a dialog template, its per-message handlers, and the rule for
// its language texts: they are applied each time the window becomes
// visible (WM_SHOWWINDOW with the show flag), even when a text is empty.
#pragma once

#include <windows.h>

#include <span>

namespace kmx::ui {

// A control and the language key of its text.
struct LocalisedText {
    int id;
    const char* key;
};

class DialogWindow {
  public:
    virtual ~DialogWindow() = default;
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    // The window, or null while none exists.
    HWND Handle() const { return hwnd_; }
    int TemplateId() const { return template_id_; }

  protected:
    explicit DialogWindow(int template_id) : template_id_(template_id) {}

    // WM_INITDIALOG; the answer says whether the system sets the focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    // The window's texts, applied before every OnShow.
    virtual void ApplyTexts() {}
    // The window is about to become visible or hidden.
    virtual void OnShow() {}
    virtual void OnHide() {}
    // WM_COMMAND from control ID with notification CODE; true when handled.
    virtual bool OnCommand(int id, int code);
    // WM_HSCROLL from a trackbar.
    virtual void OnHScroll(HWND /*control*/, int /*code*/) {}
    virtual void OnTimer(UINT_PTR /*timer*/) {}
    // WM_NOTIFY; true when handled, with the answer for DWLP_MSGRESULT.
    virtual bool OnNotify(const NMHDR& /*header*/, LRESULT& /*answer*/) { return false; }
    // Any other message; true when handled, with the procedure's answer.
    virtual bool HandleMessage(UINT /*message*/, WPARAM, LPARAM, INT_PTR& /*answer*/) {
        return false;
    }

    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    // Sets control ID's text (or the window's caption) to the language text of KEY.
    void SetItemText(int id, const char* key) const;
    void SetItemTexts(std::span<const LocalisedText> texts) const;
    void SetCaption(const char* key) const;
    void ShowItem(int id, bool shown) const;
    void EnableItem(int id, bool enabled) const;
    bool IsChecked(int id) const;
    void Check(int id, bool checked) const;
    // Control ID's rectangle in the window's client coordinates.
    RECT ItemRect(int id) const;
    void MoveItem(int id, const RECT& rect) const;

    // Binds the object to HWND (from WM_INITDIALOG) and routes a message.
    static INT_PTR Dispatch(DialogWindow* self, HWND hwnd, UINT message, WPARAM wparam,
                            LPARAM lparam);
    // The object bound to HWND, or null before WM_INITDIALOG.
    static DialogWindow* Bound(HWND hwnd);

  private:
    INT_PTR Route(UINT message, WPARAM wparam, LPARAM lparam);

    const int template_id_;
    HWND hwnd_ = nullptr;
};

}  // namespace kmx::ui
