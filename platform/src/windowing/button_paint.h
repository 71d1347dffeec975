// How the "Button" class draws each of its kinds in the classic 3-D look.
#pragma once

#include <windows.h>

#include <string>

namespace kmxwin::win {

struct ButtonLook {
    DWORD style = 0;
    UINT check = BST_UNCHECKED;
    bool pushed = false;
    bool focused = false;
    bool enabled = true;
    std::string text;
};

// Paints button HWND on DC, whose font is the button's.
void PaintButton(HWND hwnd, HDC dc, const ButtonLook& look);

}  // namespace kmxwin::win
