// The dialog templates of a property sheet: what the sheet reads from a
// page's template, the copy it makes the page from, and its own frame's.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace kmxwin::controls {

struct PageTemplateInfo {
    SIZE size{};          // in dialog units
    std::string caption;  // the tab title when the page gives none
};

// What the sheet needs of the template at DATA (SIZE bytes when known);
// nullopt for a damaged one.
std::optional<PageTemplateInfo> ReadPageTemplate(const void* data, std::optional<size_t> size);

// A copy of the template at DATA made into a page: a hidden child dialog
// that is a control of the sheet's dialog, without a frame of its own.
std::optional<std::vector<BYTE>> PageTemplateCopy(const void* data, std::optional<size_t> size);

// The sheet's frame: an empty modal dialog in the dialog font with
// CAPTION; the sheet adds its controls and sizes it.
std::vector<BYTE> SheetFrameTemplate(const std::string& caption);

}  // namespace kmxwin::controls
