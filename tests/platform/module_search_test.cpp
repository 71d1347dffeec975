// Which file LoadLibraryA maps for a name: the ".dll" naming and the search
// order.
#include <windows.h>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "common/test_environment.h"
#include "module_test_support.h"

namespace {

using kmxtest::kModuleDirectory;
using kmxtest::LocationOf;
using kmxtest::ModuleFileName;

class ModuleNames : public kmxtest::ModuleTest {};

TEST_F(ModuleNames, DllAndBareNamesInAnyCaseNameOneModule) {
    HMODULE module = LoadLibraryA("kmxtest_probe.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(ModuleFileName(module), kModuleDirectory + "/kmxtest_probe.so");
    EXPECT_EQ(LoadLibraryA("kmxtest_probe"), module);
    EXPECT_EQ(LoadLibraryA("kmxtest_probe.DLL"), module);
    // A loaded module is matched without regard to case, as on Windows.
    EXPECT_EQ(LoadLibraryA("KMXTEST_Probe.Dll"), module);
    for (int reference = 0; reference < 4; ++reference) EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleA("kmxtest_probe"), nullptr);
}

TEST_F(ModuleNames, APathIsLoadedFromThatPath) {
    unsetenv("KMX512_PLUGIN_PATH");
    HMODULE module = LoadLibraryA((kModuleDirectory + "\\kmxtest_probe.DLL").c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(LocationOf(module), "plugin path");
    EXPECT_EQ(ModuleFileName(module), kModuleDirectory + "/kmxtest_probe.so");
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(ModuleNames, ARelativePathIsTakenFromTheCurrentDirectory) {
    std::filesystem::path directory = kModuleDirectory;
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(directory.parent_path());
    HMODULE module =
        LoadLibraryA((".\\" + directory.filename().string() + "\\kmxtest_probe").c_str());
    std::filesystem::current_path(previous);
    ASSERT_NE(module, nullptr);
    // The full path, which a change of directory does not change.
    EXPECT_EQ(ModuleFileName(module), kModuleDirectory + "/kmxtest_probe.so");
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(ModuleNames, MissingModulesAreNotFound) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadLibraryA("kmxtest_missing.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadLibraryA((kmxtest::TestDirectory() + "/missing.dll").c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(ModuleNames, AFileThatIsNoModuleIsABadImage) {
    std::string path = kmxtest::TestDirectory() + "/not_a_module.so";
    std::ofstream(path) << "not a shared object\n";
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadLibraryA((kmxtest::TestDirectory() + "/not_a_module.dll").c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
}

class SearchOrder : public kmxtest::ModuleTest {};

TEST_F(SearchOrder, ThePluginPathComesFirstInItsOwnOrder) {
    setenv("KMX512_PLUGIN_PATH", ("/nonexistent::" + kModuleDirectory).c_str(), 1);
    HMODULE module = LoadLibraryA("kmxtest_probe.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(LocationOf(module), "plugin path");
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(SearchOrder, ThenTheLibrarysDirectoryThenItsPluginDirectory) {
    unsetenv("KMX512_PLUGIN_PATH");
    HMODULE probe = LoadLibraryA("kmxtest_probe.dll");
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(LocationOf(probe), "library directory");
    HMODULE sibling = LoadLibraryA("kmxtest_sibling.dll");
    ASSERT_NE(sibling, nullptr);
    EXPECT_EQ(LocationOf(sibling), "plug-in directory");
    EXPECT_TRUE(FreeLibrary(sibling));
    EXPECT_TRUE(FreeLibrary(probe));
}

TEST_F(SearchOrder, ThenTheSystemLoader) {
    ASSERT_EQ(GetModuleHandleA("libanl.so.1"), nullptr);
    HMODULE module = LoadLibraryA("libanl.so.1");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetModuleHandleA("libanl.so.1"), module);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleA("libanl.so.1"), nullptr);
}

TEST_F(SearchOrder, ALoadedModuleIsTheOneMeantWhereverItCameFrom) {
    HMODULE module = LoadLibraryA("kmxtest_probe");
    ASSERT_NE(module, nullptr);
    ASSERT_EQ(LocationOf(module), "plugin path");
    // Without the plug-in path the name would find the library directory's
    // copy, but the loaded one wins.
    unsetenv("KMX512_PLUGIN_PATH");
    EXPECT_EQ(LoadLibraryA("kmxtest_probe"), module);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
