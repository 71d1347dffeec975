// What the dialog manager keeps for a dialog window, beside the
// DLGWINDOWEXTRA bytes that the dialog procedure and its result live in.
#pragma once

#include <windows.h>

namespace kmxwin::win {

struct DialogData {
    HFONT font = nullptr;
    bool owns_font = false;
    SIZE base_units{};     // the dialog font's average width and height
    HWND focus = nullptr;  // the control to give the focus back to
    UINT default_id = 0;   // DM_GETDEFID's answer; 0 for none
    bool unicode = false;  // the dialog procedure takes "W" messages
    bool modal = false;
    bool ended = false;
    INT_PTR result = 0;
    HWND disabled_owner = nullptr;  // the owner a modal loop disabled
};

}  // namespace kmxwin::win
