// The system's default handling of window messages (DefWindowProcA).
#pragma once

#include <windows.h>

namespace kmxwin::win {

LRESULT DefaultWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace kmxwin::win
