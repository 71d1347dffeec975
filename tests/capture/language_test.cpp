// The language table and the language chosen at library start: what a file
// holds, what a damaged file leaves (no table, and no read past a cell), and
// which language the "LanguageName" values select.
#include <windows.h>

#include <gtest/gtest.h>
#include <kmxrecords/language_file.h>

#include "common/test_environment.h"
#include "support/registry_key.h"
#include "ui/language_choice.h"
#include "ui/language_table.h"

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// A language file of LANGUAGES (name, then one text per key) with KEYS and
// cells of WIDTH bytes; each text is cut to the cell, unterminated when it
// fills it.
std::vector<char> LanguageFile(const Strings& keys, const std::vector<Strings>& languages,
                               int width) {
    kmx::LanguageFileHeader header{static_cast<int32_t>(languages.size()),
                                   static_cast<int32_t>(keys.size()), width};
    std::vector<char> file(sizeof header + *kmx::LanguageCellsSize(header), '\0');
    memcpy(file.data(), &header, sizeof header);
    auto put = [&](int row, int column, const std::string& text) {
        memcpy(file.data() + sizeof header + kmx::LanguageCellOffset(header, row, column),
               text.data(), std::min<size_t>(text.size(), width));
    };
    for (size_t row = 0; row < keys.size(); ++row) put(int(row) + 1, 0, keys[row]);
    for (size_t language = 0; language < languages.size(); ++language)
        for (size_t row = 0; row < languages[language].size(); ++row)
            put(int(row), int(language) + 1, languages[language][row]);
    return file;
}

std::string Write(const std::vector<char>& bytes) {
    std::string path = kmxtest::TestDirectory() + "/" + kmx::kLanguageFileName;
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

const Strings kKeys = {"Cancel", "Language"};
const std::vector<Strings> kLanguages = {{"English", "Cancel", "&Language"},
                                         {"Deutsch", "Abbrechen", "&Sprache"},
                                         {"Deutsch", "Abbrechen!", "Sprache!"}};

TEST(LanguageTable, TextsByExactKeyInTheCurrentLanguage) {
    std::vector<char> file = LanguageFile(kKeys, kLanguages, 16);
    ASSERT_EQ(file.size(), 12u + 3 * 4 * 16);
    file.insert(file.end(), {'t', 'a', 'i', 'l'});  // bytes after the table are ignored
    ASSERT_EQ(kmx::LoadLanguageFile(Write(file).c_str(), 7), 1);
    EXPECT_EQ(kmx::GetLanguage(), 0);  // 7 is beyond the file's languages
    EXPECT_EQ(kmx::GetLanguageCount(), 3);
    EXPECT_STREQ(kmx::GetLanguageText("Cancel"), "Cancel");
    EXPECT_STREQ(kmx::GetLanguageText("cancel"), "");
    EXPECT_STREQ(kmx::GetLanguageText("Missing"), "");
    EXPECT_EQ(kmx::SelectLanguage(1), 1);
    EXPECT_EQ(kmx::SelectLanguage(1), 0);
    EXPECT_EQ(kmx::SelectLanguage(3), 0);
    EXPECT_EQ(kmx::SelectLanguage(-1), 0);
    EXPECT_STREQ(kmx::GetLanguageText("Language"), "&Sprache");
    EXPECT_STREQ(kmx::GetLanguageName(2), "Deutsch");
    EXPECT_STREQ(kmx::GetLanguageName(3), "");
    kmx::FreeLanguageFile();
    EXPECT_EQ(kmx::GetLanguageCount(), 0);
    EXPECT_STREQ(kmx::GetLanguageText("Cancel"), "");
}

TEST(LanguageTable, DamagedFilesLeaveNoTableAndCellsNeverOverrun) {
    auto header = [](int32_t languages, int32_t entries, int32_t width) {
        std::vector<char> bytes(12 + 4096, 'x');
        kmx::LanguageFileHeader words{languages, entries, width};
        memcpy(bytes.data(), &words, sizeof words);
        return bytes;
    };
    for (const std::vector<char>& damaged :
         {header(-1, 1, 8), header(1, -1, 8), header(0, 1, 8), header(1, 1, 0),
          header(65536, 65536, 65536), std::vector<char>{1, 0, 0}}) {
        EXPECT_EQ(kmx::LoadLanguageFile(Write(damaged).c_str(), 0), 0);
        EXPECT_EQ(kmx::GetLanguageCount(), 0);
        EXPECT_STREQ(kmx::GetLanguageText("Cancel"), "");
    }
    std::vector<char> file = LanguageFile(kKeys, kLanguages, 16);
    file.pop_back();
    EXPECT_EQ(kmx::LoadLanguageFile(Write(file).c_str(), 0), 0);
    EXPECT_EQ(kmx::LoadLanguageFile("/nonexistent/kmx512u.cfg", 0), 0);
    // A text that fills its cell is cut to the cell.
    file = LanguageFile(kKeys, {{"English", "0123456789", "x"}}, 8);
    ASSERT_EQ(kmx::LoadLanguageFile(Write(file).c_str(), 0), 1);
    EXPECT_STREQ(kmx::GetLanguageText("Cancel"), "0123456");
    kmx::FreeLanguageFile();
}

class StartupLanguage : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(kmx::LoadLanguageFile(Write(LanguageFile(kKeys, kLanguages, 16)).c_str(), 0), 1);
    }
    void TearDown() override { kmx::FreeLanguageFile(); }
    void Store(HKEY root, const char* name) {
        kmx::RegistryKey key(root, kmx::kSettingsKeyPath, true, false);
        ASSERT_TRUE(key.SetString(kmx::kLanguageNameValue, name));
    }
    // Chooses as the library's start does; the value written back.
    std::string Choose() {
        kmx::RegistryKey user(HKEY_CURRENT_USER, kmx::kSettingsKeyPath, true, false);
        kmx::RegistryKey machine(HKEY_LOCAL_MACHINE, kmx::kSettingsKeyPath, false, true);
        kmx::SelectSavedLanguage(user, machine);
        char written[128] = {};
        user.QueryString(kmx::kLanguageNameValue, written, sizeof written);
        return written;
    }
};

TEST_F(StartupLanguage, NothingStoredChoosesTheFirstAndStoresItsName) {
    EXPECT_EQ(Choose(), "English");
    EXPECT_EQ(kmx::GetLanguage(), 0);
}

TEST_F(StartupLanguage, TheMachinesChoiceServesWhenTheUserHasNone) {
    Store(HKEY_LOCAL_MACHINE, "Deutsch");
    EXPECT_EQ(Choose(), "Deutsch");
    EXPECT_EQ(kmx::GetLanguage(), 2);  // the last of two equal names
}

TEST_F(StartupLanguage, NamesCompareExactly) {
    Store(HKEY_LOCAL_MACHINE, "Deutsch");
    Store(HKEY_CURRENT_USER, "english");
    EXPECT_EQ(Choose(), "English");
    EXPECT_EQ(kmx::GetLanguage(), 0);
}

// The library's start, as the first open of the linking driver runs it, with
// the language file shipped beside it.
TEST(ModuleStart, ChoosesTheSavedLanguageOfTheShippedFileAndStoresItForTheUser) {
    auto start = [] {
        HDRVR driver = OpenDriver(u"kmxvfw32.dll", nullptr, 0);
        ASSERT_NE(driver, nullptr);
        EXPECT_TRUE(CloseDriver(driver, 0, 0));
    };
    auto saved = [](HKEY root) {
        kmx::RegistryKey key(root, kmx::kSettingsKeyPath, false, true);
        char name[128] = {};
        key.QueryString(kmx::kLanguageNameValue, name, sizeof name);
        return std::string(name);
    };
    // The start opens the user's key, it does not create it.
    kmx::RegistryKey user(HKEY_CURRENT_USER, kmx::kSettingsKeyPath, true, false);
    kmx::RegistryKey machine(HKEY_LOCAL_MACHINE, kmx::kSettingsKeyPath, true, false);
    ASSERT_TRUE(machine.SetString(kmx::kLanguageNameValue, "Deutsch"));
    start();
    EXPECT_EQ(saved(HKEY_CURRENT_USER), "Deutsch");
    // The user's own choice wins over the machine's; a name the file lacks
    // falls back to its first language.
    ASSERT_TRUE(user.SetString(kmx::kLanguageNameValue, "Klingon"));
    start();
    EXPECT_EQ(saved(HKEY_CURRENT_USER), "English");
}

TEST(LanguageFilePath, TheFileBesideTheModuleWhateverItsDirectorysLength) {
    std::string program = kmxtest::ProgramPath("capture_test");
    std::string directory = program.substr(0, program.rfind('/') + 1);
    EXPECT_EQ(kmx::LanguageFilePath(nullptr), directory + kmx::kLanguageFileName);
}

}  // namespace
