// The interface's version and status texts, called directly, from C and
// through the loaded library.
#include <windows.h>

#include <gtest/gtest.h>

#include <kmx512u/kmxpi.h>

#include "api/api_test_support.h"
#include "common/test_environment.h"

#include <string>

extern "C" int KmxpiNameFromC(DWORD status, char* text, DWORD size);

namespace {

using kmxapitest::ExportOf;

TEST(StatusTexts, EachCodeIsItsOwnNameAndFitsOnlyWithItsTerminator) {
    char text[64] = "untouched";
    EXPECT_EQ(KMXPI_GetErrorText(KMXPI_STATUS_SUCCESS, text, 20),
              static_cast<DWORD>(KMXPI_STATUS_BUFFER_TOO_SMALL));
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(KMXPI_GetErrorText(KMXPI_STATUS_SUCCESS, text, 0),
              static_cast<DWORD>(KMXPI_STATUS_BUFFER_TOO_SMALL));
    ASSERT_EQ(KMXPI_GetErrorText(KMXPI_STATUS_SUCCESS, text, 21),
              static_cast<DWORD>(KMXPI_STATUS_SUCCESS));
    EXPECT_STREQ(text, "KMXPI_STATUS_SUCCESS");
    ASSERT_EQ(KMXPI_GetErrorText(KMXPI_STATUS_IN_USE, text, sizeof text),
              static_cast<DWORD>(KMXPI_STATUS_SUCCESS));
    EXPECT_STREQ(text, "KMXPI_STATUS_IN_USE");
    ASSERT_EQ(KMXPI_GetErrorText(KMXPI_STATUS_CAMERA_REMOVED, text, sizeof text),
              static_cast<DWORD>(KMXPI_STATUS_SUCCESS));
    EXPECT_STREQ(text, "KMXPI_STATUS_CAMERA_REMOVED");

    // A code that is none of them has the empty text, which a byte holds.
    char one = 'x';
    EXPECT_EQ(KMXPI_GetErrorText(0x0A, &one, 1), static_cast<DWORD>(KMXPI_STATUS_SUCCESS));
    EXPECT_EQ(one, '\0');
    EXPECT_EQ(KMXPI_GetErrorText(0x0A, nullptr, 1), static_cast<DWORD>(KMXPI_STATUS_NULL_POINTER));
    EXPECT_EQ(KMXPI_GetErrorText(KMXPI_STATUS_SUCCESS, nullptr, 0),
              static_cast<DWORD>(KMXPI_STATUS_NULL_POINTER));
}

TEST(StatusTexts, TheVersionIsTheSharedInterfaceVersion) {
    EXPECT_EQ(KMXPI_GetVersion(nullptr), static_cast<DWORD>(KMXPI_STATUS_SUCCESS));
    WORD version = 0;
    EXPECT_EQ(KMXPI_GetVersion(&version), static_cast<DWORD>(KMXPI_STATUS_SUCCESS));
    EXPECT_EQ(version, 0x0215);
    char text[32] = {};
    ASSERT_TRUE(KmxpiNameFromC(KMXPI_STATUS_BAD_GUID, text, sizeof text));
    EXPECT_STREQ(text, "KMXPI_STATUS_BAD_GUID");
}

TEST(StatusTexts, TheLibraryExportsThem) {
    HMODULE library = LoadLibraryA(kmxapitest::LibraryPath().c_str());
    ASSERT_NE(library, nullptr) << "error " << GetLastError();
    auto* text_of = ExportOf<decltype(KMXPI_GetErrorText)>(library, "KMXPI_GetErrorText");
    auto* version_of = ExportOf<decltype(KMXPI_GetVersion)>(library, "KMXPI_GetVersion");
    ASSERT_NE(text_of, nullptr);
    ASSERT_NE(version_of, nullptr);
    char text[32] = {};
    EXPECT_EQ(text_of(KMXPI_STATUS_BAD_ID, text, sizeof text),
              static_cast<DWORD>(KMXPI_STATUS_SUCCESS));
    EXPECT_STREQ(text, "KMXPI_STATUS_BAD_ID");
    WORD version = 0;
    EXPECT_EQ(version_of(&version), static_cast<DWORD>(KMXPI_STATUS_SUCCESS));
    EXPECT_EQ(version, 0x0215);
    EXPECT_TRUE(FreeLibrary(library));
}

}  // namespace
