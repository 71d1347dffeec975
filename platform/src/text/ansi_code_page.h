// The ANSI code page of this build: Windows-1252. Narrow ("A") functions take
// and give text in it; these conversions are its one home.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kmxwin::text {

inline constexpr UINT kAnsiCodePage = 1252;

// The UTF-16 code unit of an ANSI byte. Every byte has one: the five bytes
// that Windows-1252 leaves undefined map to the C1 controls of the same value,
// as Windows maps them.
WCHAR AnsiToWide(unsigned char byte);

// The ANSI byte of a UTF-16 code unit, or false when the code page has none.
bool WideToAnsi(WCHAR unit, unsigned char* byte);

std::u16string AnsiToUtf16(std::string_view ansi);

// Characters the code page lacks (and each half of a surrogate pair) become
// DEFAULT_CHAR; *USED_DEFAULT, when given, tells whether that happened.
std::string Utf16ToAnsi(std::u16string_view wide, char default_char = '?',
                        bool* used_default = nullptr);

}  // namespace kmxwin::text
