// The readable form of the language texts: UTF-8 text, one setting a line,
// '#' starting a comment line.
//
//     [Deutsch]
//     VideoSource = Videoquelle
//     Cancel = Abbrechen
//
// "[NAME]" starts a language; each "KEY = TEXT" line after it gives the
// text of KEY. Spaces around the '=' and at the line's ends are not part
// of the text; a text written in double quotes keeps them and may use the
// escapes \\ \" \n \t and \xHH. One file may hold several languages.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kmxlang {

struct Language {
    std::string name;                                        // in UTF-8
    std::vector<std::pair<std::string, std::string>> texts;  // key, text in UTF-8
};

// Adds the languages of SOURCE (read from FILE, named in errors) to
// LANGUAGES; false with ERROR ("FILE:LINE: what") on a malformed line.
bool ParseLanguageSource(const std::string& source, const std::string& file,
                         std::vector<Language>& languages, std::string& error);

// LANGUAGES in the readable form, each after an empty line but the first.
std::string FormatLanguageSource(const std::vector<Language>& languages);

}  // namespace kmxlang
