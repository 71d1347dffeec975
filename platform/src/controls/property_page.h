// A property sheet page as CreatePropertySheetPageA makes it: a copy of the
// program's PROPSHEETPAGEA, its template and tab title, and, once the sheet
// has shown it, its window. HPROPSHEETPAGE points at one.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <memory>
#include <string>
#include <vector>

struct _PSP {
  public:
    // A page from RECORD, or nullptr (ERROR_INVALID_PARAMETER) when the
    // record or its template is unusable.
    static HPROPSHEETPAGE Create(const PROPSHEETPAGEA* record);
    // Whether PAGE is a live page of this process.
    static bool IsPage(HPROPSHEETPAGE page);
    // Ends PAGE: its window, its callback's PSPCB_RELEASE, its parent count.
    static void Destroy(HPROPSHEETPAGE page);

    // The program's record as the page's dialog procedure gets it.
    PROPSHEETPAGEA& Record() { return *reinterpret_cast<PROPSHEETPAGEA*>(record_.data()); }
    const std::string& Title() const { return title_; }
    // The size the template asks for, in dialog units.
    SIZE TemplateSize() const { return template_size_; }

    HWND Window() const { return window_; }
    // Makes the page's window, a hidden child of SHEET; false when the
    // page's callback refuses or the dialog cannot be made.
    bool CreateWindowIn(HWND sheet);

    // The page told the sheet it has unsaved changes (PSM_CHANGED).
    bool changed = false;

    _PSP() = default;
    ~_PSP();
    _PSP(const _PSP&) = delete;
    _PSP& operator=(const _PSP&) = delete;

  private:
    std::vector<BYTE> record_;  // dwSize bytes, aligned for the record
    std::string title_;
    const void* template_ = nullptr;
    size_t template_bytes_ = 0;  // 0 when the program holds it in memory
    SIZE template_size_{};
    HWND window_ = nullptr;
};
