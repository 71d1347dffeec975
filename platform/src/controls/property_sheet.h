// A modal property sheet: its frame (a dialog with a tab control and OK,
// Cancel and Apply buttons), its pages, and the PSN_ notifications and PSM_
// messages between them.
#pragma once

#include "controls/property_page.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

namespace kmxwin::controls {

// The ids of the sheet's own controls; programs look them up by them.
inline constexpr int kTabControlId = 0x3020;
inline constexpr int kApplyButtonId = 0x3021;

class PropertySheet {
  public:
    // Runs the sheet HEADER describes until it closes; PropertySheetA's
    // result.
    static INT_PTR Run(const PROPSHEETHEADERA& header);

    ~PropertySheet();
    PropertySheet(const PropertySheet&) = delete;
    PropertySheet& operator=(const PropertySheet&) = delete;

  private:
    explicit PropertySheet(const PROPSHEETHEADERA& header);

    // The pages of the header, owned from here on; false when one is bad.
    bool TakePages(const PROPSHEETHEADERA& header);
    int StartPage(const PROPSHEETHEADERA& header) const;
    INT_PTR RunModal();

    static INT_PTR CALLBACK DialogProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    // A message of the sheet's dialog: whether it took it, with its answer.
    bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& answer);
    bool OnCommand(WORD id);
    bool OnSheetMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& answer);

    // The frame (property_sheet_frame.cpp).
    void BuildFrame();
    HWND AddButton(int id, const char* text, DWORD style);
    void LayOut();
    void SetCaption(const std::string& text, bool properties_for);

    // The pages (property_sheet_pages.cpp).
    int IndexOf(HWND page) const;
    int IndexOf(HPROPSHEETPAGE page) const;
    HWND PageWindow(int index) const;
    // Makes page INDEX's window if it has none, in the display area.
    bool CreatePage(int index);
    // Makes page INDEX current: its window made when it is first needed,
    // PSN_SETACTIVE, shown, the previous one hidden. False when its window
    // cannot be made.
    bool ShowPage(int index);
    // The user or the program moves to page INDEX: the current page may
    // refuse to be left (PSN_KILLACTIVE).
    bool SwitchTo(int index);
    bool KillActive();
    LRESULT NotifyPage(int index, UINT code, LPARAM lparam);
    bool Apply(bool ok);
    void Cancel(bool close_box);
    void End(INT_PTR result);
    void UpdateApplyButton();
    void AddPage(HPROPSHEETPAGE page);
    void RemovePage(int index);
    // Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+Page Down and Ctrl+Page Up.
    bool SwitchKey(const MSG& msg);

    HWND hwnd_ = nullptr;
    HWND owner_;
    HINSTANCE instance_;
    DWORD flags_;
    std::string caption_;
    PFNPROPSHEETCALLBACK callback_;
    HWND tab_ = nullptr;
    HWND ok_ = nullptr;
    HWND cancel_ = nullptr;
    HWND apply_ = nullptr;  // none with PSH_NOAPPLYNOW
    RECT display_{};        // where pages lie, in the sheet's client area
    std::vector<HPROPSHEETPAGE> pages_;
    int start_ = 0;
    int current_ = -1;
    bool ended_ = false;
    INT_PTR result_ = 0;
};

}  // namespace kmxwin::controls
