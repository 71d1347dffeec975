// Texts between the UTF-8 of the language sources and the ANSI code page of
// the language file.
#pragma once

#include <optional>
#include <string>

namespace kmxlang {

// TEXT in the ANSI code page, or nullopt when it is no UTF-8 or holds a
// character the code page lacks.
std::optional<std::string> AnsiFromUtf8(const std::string& text);
std::string Utf8FromAnsi(const std::string& text);

}  // namespace kmxlang
