#include "ui/property_sheet.h"

#include "ui/application.h"

#include <vector>

namespace kmx::ui {

INT_PTR RunPropertySheet(HWND parent, const char* caption, std::span<PropertyPage* const> pages,
                         DWORD flags) {
    std::vector<HPROPSHEETPAGE> made;
    for (PropertyPage* page : pages) {
        HPROPSHEETPAGE record = page->CreateSheetPage();
        if (!record) {
            // A sheet with a page missing would misnumber the rest.
            for (HPROPSHEETPAGE taken : made) DestroyPropertySheetPage(taken);
            return -1;
        }
        made.push_back(record);
    }
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = flags & ~static_cast<DWORD>(PSH_PROPSHEETPAGE);
    header.hwndParent = parent;
    header.hInstance = ModuleInstance();
    header.pszCaption = caption;
    header.nPages = static_cast<UINT>(made.size());
    header.nStartPage = 0;
    header.phpage = made.data();
    // The sheet takes the pages and frees them as it ends.
    return PropertySheetA(&header);
}

}  // namespace kmx::ui
