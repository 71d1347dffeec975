// UTF-16, the platform's wide text, to and from UTF-8, what Pango and the
// POSIX side speak.
#pragma once

#include <string>
#include <string_view>

namespace kmxwin::text {

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view wide);

// The code point starting at WIDE[*INDEX]; advances *INDEX past it.
char32_t NextCodePoint(std::u16string_view wide, size_t* index);

// Whether WIDE holds a surrogate that is not half of a pair.
bool HasUnpairedSurrogate(std::u16string_view wide);

// UTF-8 to UTF-16 into OUT: an ill-formed sequence (overlong, a surrogate,
// beyond U+10FFFF, cut short) becomes one U+FFFD, or, when STRICT, ends the
// conversion with false.
bool Utf8ToUtf16(std::string_view utf8, bool strict, std::u16string& out);

}  // namespace kmxwin::text
