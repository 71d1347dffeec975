// The ANSI code page of the window system, Windows-1252, between the "A"
// functions (whose text the window system keeps as it is given) and the "W"
// functions.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kmxwin::win {

std::u16string AnsiToWide(std::string_view text);
std::string WideToAnsi(std::u16string_view text);
WCHAR AnsiCharToWide(unsigned char c);
// '?' for characters the code page lacks.
unsigned char WideCharToAnsi(WCHAR c);

// The length of a null-terminated wide string.
size_t WideLength(LPCWSTR text);

}  // namespace kmxwin::win
