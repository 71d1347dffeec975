// A modal property sheet over pages of the framework.
#pragma once

#include <windows.h>

#include "ui/property_page.h"

#include <span>

namespace kmx::ui {

// Shows PAGES in order under CAPTION, owned by PARENT (may be null), from
// the first page, with the header FLAGS besides the page list; returns when
// the sheet has closed, with PropertySheetA's result (-1 when a page or the
// sheet could not be made).
INT_PTR RunPropertySheet(HWND parent, const char* caption, std::span<PropertyPage* const> pages,
                         DWORD flags);

}  // namespace kmx::ui
