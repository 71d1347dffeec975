// The language file's bytes (see <kmxrecords/language_file.h>): built from
// the languages of the readable form, and read back with everything that
// the library would not show as meant.
#pragma once

#include <kmxrecords/language_file.h>

#include <optional>
#include <string>
#include <vector>

#include "language_source.h"

namespace kmxlang {

// The file of LANGUAGES (language 0 first), with the keys in the order of
// the first language; every language must give every key. CELL_WIDTH 0
// takes the narrowest width, a multiple of 8, that holds every text. Nullopt
// with ERROR when a language lacks a key or has one the others lack, a text
// is no ANSI text, or a text does not fit CELL_WIDTH.
std::optional<std::vector<char>> BuildLanguageFile(const std::vector<Language>& languages,
                                                   int cell_width, std::string& error);

struct LanguageFileReport {
    bool readable = false;  // the header describes a table the file holds
    kmx::LanguageFileHeader header{};
    std::vector<Language> languages;    // texts in UTF-8, cut as the library cuts them
    std::vector<std::string> problems;  // what the library would show otherwise than meant
};

// Reads a file: its languages, and as problems the header the format cannot
// describe or the file does not hold, texts without their terminator (too
// long for the cell width), the keys the library looks up that the file
// lacks, and keys given twice.
LanguageFileReport ReadLanguageFile(const std::vector<char>& bytes);

}  // namespace kmxlang
