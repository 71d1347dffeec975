// Dialog templates in the binary layouts that resource compilers write and
// Microsoft documents: DLGTEMPLATE with its DLGITEMTEMPLATEs, and the
// extended DLGTEMPLATEEX with its DLGITEMTEMPLATEEX records.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace kmxwin::win {

// A class, title or menu field: absent, a number (0xFFFF form), or a string.
struct TemplateName {
    bool present = false;
    WORD number = 0;
    std::u16string text;
    bool IsNumber() const { return present && text.empty() && number != 0; }
};

struct DialogItemTemplate {
    DWORD help_id = 0;
    DWORD style = 0;
    DWORD ex_style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    TemplateName window_class;  // a number is one of the predefined classes
    TemplateName title;
    const BYTE* creation_data = nullptr;  // with its size WORD first, or nullptr
};

struct DialogTemplate {
    bool extended = false;
    DWORD help_id = 0;
    DWORD style = 0;
    DWORD ex_style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    TemplateName menu;
    TemplateName window_class;
    TemplateName title;
    // The font, when DS_SETFONT (or DS_SHELLFONT) asks for one.
    bool has_font = false;
    WORD point_size = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::u16string face;
    std::vector<DialogItemTemplate> items;
};

// Reads the template at DATA; SIZE bounds it when known (a resource), else
// the caller vouches for it (the in-memory "Indirect" forms). nullopt for a
// damaged template.
std::optional<DialogTemplate> ParseDialogTemplate(const void* data, std::optional<size_t> size);

// The class name a predefined class number stands for ("Button" for 0x0080
// and so on), or nullptr.
const char* PredefinedClassName(WORD number);

}  // namespace kmxwin::win
