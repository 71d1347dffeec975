// MultiByteToWideChar and WideCharToMultiByte on the ANSI code page (1252)
// and UTF-8: the counting rules, the characters of code page 1252 above
// 0x7F, default characters and ill-formed input.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StringConversion, AnsiCodePageRoundTripsEveryByte) {
    EXPECT_EQ(GetACP(), 1252u);
    std::string bytes;
    for (int byte = 1; byte < 256; ++byte) bytes.push_back(static_cast<char>(byte));
    WCHAR wide[256];
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, bytes.c_str(), -1, wide, 256), 256);
    EXPECT_EQ(wide[0x80 - 1], u'\u20AC');  // euro sign
    EXPECT_EQ(wide[0x9F - 1], u'\u0178');  // Y with diaeresis
    EXPECT_EQ(wide[0xE7 - 1], u'\u00E7');  // c with cedilla
    EXPECT_EQ(wide[0x81 - 1], u'\u0081');  // undefined in 1252: kept as its C1 control
    char back[256];
    BOOL used_default = TRUE;
    ASSERT_EQ(WideCharToMultiByte(1252, 0, wide, -1, back, 256, nullptr, &used_default), 256);
    EXPECT_EQ(std::string(back), bytes);
    EXPECT_FALSE(used_default);
}

TEST(StringConversion, SizesAreAskedForWithZeroAndShortBuffersAreRefused) {
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0,
                                  "Fran\xE7"
                                  "ais",
                                  -1, nullptr, 0),
              9);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0,
                                  "Fran\xE7"
                                  "ais",
                                  4, nullptr, 0),
              4);
    WCHAR small[3];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcd", -1, small, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcd", 0, small, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(437, 0, "abcd", -1, small, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "ab", -1, small, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

TEST(StringConversion, CharactersOutsideTheCodePageBecomeTheDefaultCharacter) {
    char narrow[8];
    BOOL used_default = FALSE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a\u0416\U0001F600b", -1, narrow, sizeof narrow,
                                  nullptr, &used_default),
              6);
    EXPECT_STREQ(narrow, "a???b");  // each half of a surrogate pair
    EXPECT_TRUE(used_default);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u0416", 1, narrow, sizeof narrow, "#", nullptr), 1);
    EXPECT_EQ(narrow[0], '#');
    // UTF-8 has no default character to ask for.
    SetLastError(0);
    EXPECT_EQ(
        WideCharToMultiByte(CP_UTF8, 0, u"a", -1, narrow, sizeof narrow, nullptr, &used_default),
        0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(StringConversion, Utf8ReplacesOrRefusesIllFormedInput) {
    WCHAR wide[16];
    // "é", then a lone continuation byte, an overlong "/" and a truncated
    // three-byte sequence.
    const char* text = "\xC3\xA9\x80\xC0\xAF\xE2\x82";
    int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 16);
    EXPECT_EQ(std::u16string(wide, length),
              std::u16string(u"\u00E9\uFFFD\uFFFD\uFFFD\uFFFD") + u'\0');
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide, 16), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));

    char narrow[16];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20AC\U0001F600", -1, narrow, sizeof narrow,
                                  nullptr, nullptr),
              8);
    EXPECT_STREQ(narrow, "\xE2\x82\xAC\xF0\x9F\x98\x80");
    const WCHAR lone[] = {u'a', 0xD800, 0};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone, -1, narrow, sizeof narrow, nullptr, nullptr),
              5);
    EXPECT_STREQ(narrow, "a\xEF\xBF\xBD");
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, -1, narrow, sizeof narrow,
                                  nullptr, nullptr),
              0);
}

}  // namespace
