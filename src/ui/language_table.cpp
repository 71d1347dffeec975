#include "ui/language_table.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace kmx {
namespace {

struct LanguageTable {
    int current = 0;
    LanguageFileHeader header{};  // counts 0 while no table is loaded
    std::unique_ptr<char[]> cells;
};
// Initialised before any code runs: the module start, which loads it, may
// run before the library's dynamic initialisers.
constinit LanguageTable g_table;

const char* Cell(int row, int column) {
    return g_table.cells.get() + LanguageCellOffset(g_table.header, row, column);
}

// The file's length from its current position on, or -1.
long RemainingBytes(FILE* file) {
    long start = ftell(file);
    if (start < 0 || fseek(file, 0, SEEK_END) != 0) return -1;
    long end = ftell(file);
    if (end < 0 || fseek(file, start, SEEK_SET) != 0) return -1;
    return end - start;
}

bool ReadTable(FILE* file) {
    LanguageFileHeader header;
    if (fread(&header, sizeof header, 1, file) != 1) return false;
    std::optional<uint32_t> size = LanguageCellsSize(header);
    // A short file fails before its announced size is allocated.
    long remaining = RemainingBytes(file);
    if (!size || remaining < 0 || static_cast<unsigned long>(remaining) < *size) return false;
    std::unique_ptr<char[]> cells(new (std::nothrow) char[*size]);
    if (!cells || fread(cells.get(), 1, *size, file) != *size) return false;
    // No text reads past its cell: each ends at the cell's last byte at the
    // latest.
    for (uint32_t end = header.cell_width - 1; end < *size; end += header.cell_width)
        cells[end] = '\0';
    g_table.header = header;
    g_table.cells = std::move(cells);
    return true;
}

}  // namespace

int LoadLanguageFile(LPCSTR path, int initial_language) {
    FreeLanguageFile();
    g_table.current = initial_language;
    FILE* file = path ? fopen(path, "rb") : nullptr;
    if (!file) return 0;
    bool read = ReadTable(file);
    fclose(file);
    if (!read) return 0;
    if (g_table.current < 0 || g_table.current >= g_table.header.languages) g_table.current = 0;
    return 1;
}

void FreeLanguageFile() {
    g_table.cells.reset();
    g_table.header = {};
}

int GetLanguageCount() {
    return g_table.header.languages;
}

LPCSTR GetLanguageName(int index) {
    if (index < 0 || index >= g_table.header.languages) return "";
    return Cell(0, index + 1);
}

int GetLanguage() {
    return g_table.current;
}

int SelectLanguage(int index) {
    if (index < 0 || index >= g_table.header.languages || index == g_table.current) return 0;
    g_table.current = index;
    return 1;
}

LPCSTR GetLanguageText(LPCSTR key) {
    if (!key || g_table.header.entries <= 0) return "";
    for (int row = 1; row <= g_table.header.entries; ++row)
        if (strcmp(key, Cell(row, 0)) == 0) return Cell(row, g_table.current + 1);
    return "";
}

}  // namespace kmx
