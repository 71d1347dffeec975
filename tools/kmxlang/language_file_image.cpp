#include "language_file_image.h"

#include <algorithm>
#include <cstring>

#include "ansi_text.h"

namespace kmxlang {
namespace {

using kmx::LanguageCellOffset;
using kmx::LanguageCellsSize;
using kmx::LanguageFileHeader;

constexpr int kWidthGranule = 8;

// One language's column: its name, then its text of each key, in ANSI.
using Column = std::vector<std::string>;

bool ConvertColumn(const Language& language, const std::vector<std::string>& keys, Column& column,
                   std::string& error) {
    auto ansi = [&](const std::string& text, const std::string& what) {
        std::optional<std::string> converted = AnsiFromUtf8(text);
        if (!converted) error = language.name + ": " + what + " is no text of code page 1252";
        return converted;
    };
    std::optional<std::string> name = ansi(language.name, "the language name");
    if (!name) return false;
    column.push_back(*name);
    if (language.texts.size() != keys.size()) {
        error = language.name + " gives " + std::to_string(language.texts.size()) +
                " texts where " + std::to_string(keys.size()) + " are expected";
        return false;
    }
    for (const std::string& key : keys) {
        auto found = std::find_if(language.texts.begin(), language.texts.end(),
                                  [&](const auto& entry) { return entry.first == key; });
        if (found == language.texts.end()) {
            error = language.name + " lacks \"" + key + "\"";
            return false;
        }
        std::optional<std::string> text = ansi(found->second, "the text of \"" + key + "\"");
        if (!text) return false;
        column.push_back(*text);
    }
    return true;
}

}  // namespace

std::optional<std::vector<char>> BuildLanguageFile(const std::vector<Language>& languages,
                                                   int cell_width, std::string& error) {
    if (languages.empty()) {
        error = "no language";
        return std::nullopt;
    }
    std::vector<std::string> keys;
    for (const auto& entry : languages.front().texts) keys.push_back(entry.first);
    Column key_column = {""};
    for (const std::string& key : keys) {
        std::optional<std::string> ansi = AnsiFromUtf8(key);
        if (!ansi) {
            error = "the key \"" + key + "\" is no text of code page 1252";
            return std::nullopt;
        }
        key_column.push_back(*ansi);
    }
    std::vector<Column> columns = {key_column};
    for (const Language& language : languages)
        if (!ConvertColumn(language, keys, columns.emplace_back(), error)) return std::nullopt;

    size_t longest = 0;
    for (const Column& column : columns)
        for (const std::string& text : column) longest = std::max(longest, text.size());
    if (cell_width == 0) {
        cell_width = static_cast<int>((longest + kWidthGranule) / kWidthGranule * kWidthGranule);
    } else if (longest >= static_cast<size_t>(cell_width)) {
        error = "a text of " + std::to_string(longest) + " bytes does not fit cells of " +
                std::to_string(cell_width) + " bytes";
        return std::nullopt;
    }
    LanguageFileHeader header{static_cast<int32_t>(languages.size()),
                              static_cast<int32_t>(keys.size()), cell_width};
    std::optional<uint32_t> size = LanguageCellsSize(header);
    if (!size) {
        error = "the table is too large for the file format";
        return std::nullopt;
    }
    std::vector<char> file(sizeof header + *size, '\0');
    memcpy(file.data(), &header, sizeof header);
    for (size_t column = 0; column < columns.size(); ++column)
        for (size_t row = 0; row < columns[column].size(); ++row) {
            const std::string& text = columns[column][row];
            memcpy(file.data() + sizeof header +
                       LanguageCellOffset(header, static_cast<int>(row), static_cast<int>(column)),
                   text.data(), text.size());
        }
    return file;
}

LanguageFileReport ReadLanguageFile(const std::vector<char>& bytes) {
    LanguageFileReport report;
    LanguageFileHeader& header = report.header;
    if (bytes.size() < sizeof header) {
        report.problems.push_back("the file is shorter than its 12-byte header");
        return report;
    }
    memcpy(&header, bytes.data(), sizeof header);
    std::optional<uint32_t> size = LanguageCellsSize(header);
    if (!size) {
        report.problems.push_back("the header (" + std::to_string(header.languages) +
                                  " languages, " + std::to_string(header.entries) +
                                  " entries, cells of " + std::to_string(header.cell_width) +
                                  " bytes) describes no table");
        return report;
    }
    if (bytes.size() - sizeof header < *size) {
        report.problems.push_back("the file holds " + std::to_string(bytes.size()) +
                                  " bytes where its header announces " +
                                  std::to_string(sizeof header + *size));
        return report;
    }
    report.readable = true;
    const char* cells = bytes.data() + sizeof header;
    auto cell = [&](int row, int column) {
        const char* start = cells + LanguageCellOffset(header, row, column);
        size_t length = strnlen(start, static_cast<size_t>(header.cell_width));
        if (length == static_cast<size_t>(header.cell_width)) {
            report.problems.push_back("cell (" + std::to_string(row) + ", " +
                                      std::to_string(column) + ") does not fit the cell width of " +
                                      std::to_string(header.cell_width) + " bytes");
            --length;  // the library cuts it to its last byte
        }
        return std::string(start, length);
    };
    std::vector<std::string> keys;
    for (int row = 1; row <= header.entries; ++row) {
        std::string key = cell(row, 0);
        if (std::find(keys.begin(), keys.end(), key) != keys.end())
            report.problems.push_back("the key \"" + key + "\" is given twice");
        keys.push_back(key);
    }
    for (const char* wanted : kmx::kLanguageKeys)
        if (std::find(keys.begin(), keys.end(), wanted) == keys.end())
            report.problems.push_back(std::string("the key \"") + wanted + "\" is missing");
    for (int language = 1; language <= header.languages; ++language) {
        Language& entry = report.languages.emplace_back();
        entry.name = Utf8FromAnsi(cell(0, language));
        for (int row = 1; row <= header.entries; ++row)
            entry.texts.emplace_back(Utf8FromAnsi(keys[row - 1]),
                                     Utf8FromAnsi(cell(row, language)));
    }
    return report;
}

}  // namespace kmxlang
