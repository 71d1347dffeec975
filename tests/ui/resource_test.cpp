// Conformance of resources compiled from .rc scripts and embedded in modules.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ui_test_resources.h"

namespace {

std::string Data(HMODULE module, HRSRC resource) {
    HGLOBAL loaded = LoadResource(module, resource);
    EXPECT_TRUE(loaded);
    auto* data = static_cast<const char*>(LockResource(loaded));
    return std::string(data, SizeofResource(module, resource));
}

TEST(ResourceTest, FindsTheProgramsResourcesByNumberAndByName) {
    HRSRC blob = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_BLOB), RT_RCDATA);
    ASSERT_TRUE(blob);
    EXPECT_EQ(Data(nullptr, blob), "kmx");
    EXPECT_TRUE(FindResourceA(GetModuleHandleA(nullptr), "#200", RT_RCDATA));
    HRSRC named = FindResourceA(nullptr, "named", RT_RCDATA);
    ASSERT_TRUE(named);
    EXPECT_EQ(Data(nullptr, named), "named");
    HRSRC dialog = FindResourceW(nullptr, MAKEINTRESOURCEW(IDD_SAMPLE), MAKEINTRESOURCEW(5));
    ASSERT_TRUE(dialog);
    // A DIALOGEX template starts with its version 1 and signature 0xFFFF.
    auto* words = static_cast<const WORD*>(LockResource(LoadResource(nullptr, dialog)));
    EXPECT_EQ(words[0], 1);
    EXPECT_EQ(words[1], 0xFFFF);

    EXPECT_FALSE(FindResourceA(nullptr, MAKEINTRESOURCEA(999), RT_RCDATA));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_FALSE(FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_BLOB), RT_BITMAP));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
}

TEST(ResourceTest, ALoadedModuleHasItsOwnResources) {
    HMODULE module = LoadLibraryA("kmxres_test_module.dll");
    ASSERT_TRUE(module);
    HRSRC blob = FindResourceA(module, MAKEINTRESOURCEA(IDR_BLOB), RT_RCDATA);
    ASSERT_TRUE(blob);
    EXPECT_EQ(Data(module, blob), "module");
    // The program's resource handle means nothing to another module.
    HRSRC program_blob = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_BLOB), RT_RCDATA);
    EXPECT_EQ(SizeofResource(module, program_blob), 0u);
    FreeLibrary(module);
    // A module without resources.
    EXPECT_FALSE(FindResourceA(GetModuleHandleA("libkmxwin.so"), MAKEINTRESOURCEA(1), RT_RCDATA));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
}

}  // namespace
