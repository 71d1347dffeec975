// kmxlang: the language file "kmx512u.cfg" from and to its readable form.
//
//   kmxlang build OUTPUT [--cell-width W] SOURCE...   builds the file
//   kmxlang dump FILE                                 prints it readably
//   kmxlang check FILE                                reports what is amiss
//
// Exit status: 0 on success (check: nothing amiss), 1 on a failure or a
// problem found, 2 for usage errors.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "language_file_image.h"
#include "language_source.h"

namespace {

using namespace kmxlang;

constexpr char kUsage[] =
    "usage: kmxlang build OUTPUT [--cell-width W] SOURCE...\n"
    "       kmxlang dump FILE\n"
    "       kmxlang check FILE\n";

std::optional<std::vector<char>> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

int Fail(const std::string& what) {
    std::cerr << "kmxlang: " << what << '\n';
    return 1;
}

int Build(const std::vector<std::string>& words) {
    std::string output;
    int cell_width = 0;
    std::vector<Language> languages;
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "--cell-width" && i + 1 < words.size()) {
            char* end = nullptr;
            long width = strtol(words[++i].c_str(), &end, 10);
            if (*end || width < 1 || width > 65536) {
                std::cerr << kUsage;
                return 2;
            }
            cell_width = static_cast<int>(width);
        } else if (output.empty()) {
            output = words[i];
        } else {
            std::optional<std::vector<char>> source = ReadBytes(words[i]);
            if (!source) return Fail("cannot read " + words[i]);
            std::string error;
            if (!ParseLanguageSource(std::string(source->begin(), source->end()), words[i],
                                     languages, error))
                return Fail(error);
        }
    }
    if (output.empty() || languages.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    std::string error;
    std::optional<std::vector<char>> file = BuildLanguageFile(languages, cell_width, error);
    if (!file) return Fail(error);
    // What the library looks up must all be there.
    LanguageFileReport report = ReadLanguageFile(*file);
    if (!report.problems.empty()) return Fail(report.problems.front());
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    if (!out.write(file->data(), static_cast<std::streamsize>(file->size())) || !out.flush())
        return Fail("cannot write " + output);
    return 0;
}

int Dump(const std::string& path) {
    std::optional<std::vector<char>> bytes = ReadBytes(path);
    if (!bytes) return Fail("cannot read " + path);
    LanguageFileReport report = ReadLanguageFile(*bytes);
    if (!report.readable) return Fail(path + ": " + report.problems.front());
    std::cout << FormatLanguageSource(report.languages);
    return 0;
}

int Check(const std::string& path) {
    std::optional<std::vector<char>> bytes = ReadBytes(path);
    if (!bytes) return Fail("cannot read " + path);
    LanguageFileReport report = ReadLanguageFile(*bytes);
    for (const std::string& problem : report.problems) std::cout << path << ": " << problem << '\n';
    if (report.readable)
        std::cout << path << ": " << report.header.languages << " languages, "
                  << report.header.entries << " texts each, cells of " << report.header.cell_width
                  << " bytes\n";
    return report.problems.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.size() >= 2 && words[0] == "build") return Build({words.begin() + 1, words.end()});
    if (words.size() == 2 && words[0] == "dump") return Dump(words[1]);
    if (words.size() == 2 && words[0] == "check") return Check(words[1]);
    std::cerr << kUsage;
    return 2;
}
