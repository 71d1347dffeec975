// The language table: every caption and label of the library's windows, in
// every language of the language file "kmx512u.cfg" beside the library. The
// file is read whole at library start; a window asks for its texts by key
// each time it is shown. One table and one current language per process.
//
// The file: three signed little-endian 32-bit words, the language count L,
// the entry count N and the cell width W, then N + 1 rows of L + 1 cells of
// W bytes each. Row 0 holds the language names (cell 0 unused), column 0
// the keys; every cell is a zero-terminated text in the ANSI code page.
#pragma once

#include <windows.h>

#include <kmxrecords/language_file.h>

namespace kmx {

// Sets the current language to INITIAL_LANGUAGE, then reads the file at
// PATH. 1 when the whole table was read (a current language at or beyond
// its language count becomes 0); 0, with no table, when the file is
// missing, shorter than its header announces, or has a header the format
// cannot describe. A cell without its terminator is cut to W - 1 bytes.
int LoadLanguageFile(LPCSTR path, int initial_language);
void FreeLanguageFile();

int GetLanguageCount();
// The name of language INDEX; the empty text for an index outside the table.
LPCSTR GetLanguageName(int index);
int GetLanguage();
// Makes INDEX the current language: 1 when that changed it, 0 when it was
// current already or lies outside the table.
int SelectLanguage(int index);
// The text of KEY (compared exactly) in the current language, or the empty
// text; never null. Texts stay valid until the table is freed.
LPCSTR GetLanguageText(LPCSTR key);

}  // namespace kmx
