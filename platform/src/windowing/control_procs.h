// The window procedures of the system controls.
#pragma once

#include <windows.h>

namespace kmxwin::win {

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK ComboBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK ComboListProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace kmxwin::win
