// kmxlang's language files: the readable form read and written back, a file
// built from it and read again, and what a check of a damaged file reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "language_file_image.h"
#include "language_source.h"

namespace {

using kmxlang::Language;

std::vector<Language> Parse(const std::string& source) {
    std::vector<Language> languages;
    std::string error;
    EXPECT_TRUE(kmxlang::ParseLanguageSource(source, "test.lang", languages, error)) << error;
    return languages;
}

// Every key the library looks up, with TEXT as the text of each but Cancel.
std::string Source(const std::string& name, const std::string& text, const std::string& cancel) {
    std::string source = "# a comment\n[" + name + "]\n";
    for (const char* key : kmx::kLanguageKeys)
        source += std::string(key) + " = " + (strcmp(key, "Cancel") ? text : cancel) + "\n";
    return source;
}

TEST(Kmxlang, SourcesBuildIntoAFileThatReadsBackTheSame) {
    std::vector<Language> languages = Parse(Source("English", "Text", "Cancel") + "\n" +
                                            Source("Français", "Texte", "\"  Annuler \\x41\""));
    ASSERT_EQ(languages.size(), 2u);
    EXPECT_EQ(languages[1].texts.front().second, "Texte");
    std::string error;
    std::optional<std::vector<char>> file = kmxlang::BuildLanguageFile(languages, 0, error);
    ASSERT_TRUE(file) << error;
    kmxlang::LanguageFileReport report = kmxlang::ReadLanguageFile(*file);
    EXPECT_TRUE(report.problems.empty()) << report.problems.front();
    EXPECT_EQ(report.header.cell_width, 24);  // the longest key or text, a multiple of 8
    EXPECT_EQ(kmxlang::FormatLanguageSource(report.languages),
              kmxlang::FormatLanguageSource(languages));
    EXPECT_EQ(Parse(kmxlang::FormatLanguageSource(languages))[1].name, "Français");
    // In the file, names and texts are in code page 1252.
    EXPECT_NE(std::string(file->begin(), file->end())
                  .find("Fran\xE7"
                        "ais"),
              std::string::npos);

    EXPECT_FALSE(kmxlang::BuildLanguageFile(languages, 8, error));
    EXPECT_FALSE(kmxlang::BuildLanguageFile(Parse("[Русский]\nCancel = x\n"), 0, error));
    languages[1].texts.pop_back();
    EXPECT_FALSE(kmxlang::BuildLanguageFile(languages, 0, error));
    EXPECT_NE(error.find("Français"), std::string::npos) << error;
}

TEST(Kmxlang, ACheckReportsMissingKeysTextsTooLongAndImpossibleHeaders) {
    std::string error;
    std::optional<std::vector<char>> file =
        kmxlang::BuildLanguageFile(Parse("[English]\nCancel = Cancel\n"), 8, error);
    ASSERT_TRUE(file) << error;
    memset(file->data() + 12 + 8 * 3, 'x', 8);  // Cancel's English text fills its cell
    kmxlang::LanguageFileReport report = kmxlang::ReadLanguageFile(*file);
    ASSERT_TRUE(report.readable);
    EXPECT_EQ(report.languages[0].texts[0].second, "xxxxxxx");  // cut as the library cuts it
    auto reported = [&](const std::string& problem) {
        return std::find(report.problems.begin(), report.problems.end(), problem) !=
               report.problems.end();
    };
    EXPECT_TRUE(reported("cell (1, 1) does not fit the cell width of 8 bytes"));
    EXPECT_TRUE(reported("the key \"SensorType\" is missing"));

    file->resize(file->size() - 1);
    EXPECT_FALSE(kmxlang::ReadLanguageFile(*file).readable);
    int32_t no_language[3] = {0, 1, 8};
    std::vector<char> header(reinterpret_cast<char*>(no_language),
                             reinterpret_cast<char*>(no_language) + sizeof no_language);
    EXPECT_FALSE(kmxlang::ReadLanguageFile(header).readable);
    std::vector<Language> none;
    EXPECT_FALSE(kmxlang::ParseLanguageSource("Cancel = x\n", "test.lang", none, error));
    EXPECT_EQ(error, "test.lang:1: a text before the first [LANGUAGE NAME]");
}

}  // namespace
