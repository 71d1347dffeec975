// Helpers of the registry tests: each test works below a key of its own, so
// that the tests of one program may also run in one process.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace kmxtest {

// "Software\KmxTest\<suite>.<test>"
inline std::string TestKeyPath() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    return std::string("Software\\KmxTest\\") + test->test_suite_name() + "." + test->name();
}

// Creates (or opens) PATH below ROOT; fails the test when that fails.
inline HKEY CreateKey(HKEY root, const std::string& path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     access, nullptr, &key, nullptr);
    EXPECT_EQ(status, ERROR_SUCCESS) << path;
    return key;
}

inline LSTATUS SetDword(HKEY key, const char* name, DWORD value) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
}

inline LSTATUS QueryDword(HKEY key, const char* name, DWORD* value) {
    DWORD size = sizeof *value;
    return RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
}

}  // namespace kmxtest
