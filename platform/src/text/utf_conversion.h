// UTF-16, the platform's wide text, to UTF-8, what Pango and the POSIX side
// speak.
#pragma once

#include <string>
#include <string_view>

namespace kmxwin::text {

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view wide);

// The code point starting at WIDE[*INDEX]; advances *INDEX past it.
char32_t NextCodePoint(std::u16string_view wide, size_t* index);

}  // namespace kmxwin::text
