// Reading, writing, deleting and enumerating values, as Windows documents
// them.
#include "registry/registry_test_keys.h"

#include <cstring>
#include <string>
#include <vector>

extern "C" DWORD QueryTypeFromC(HKEY key, const char* name);

namespace {

using kmxtest::CreateKey;
using kmxtest::QueryDword;
using kmxtest::SetDword;
using kmxtest::TestKeyPath;

TEST(RegistryValues, ValuesKeepTheTypeAndBytesTheyWereWrittenWith) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    const std::vector<std::pair<DWORD, std::vector<BYTE>>> values = {
        {REG_SZ, {'h', 'i', 0}},
        {REG_MULTI_SZ, {'a', 0, 'b', 0, 0}},
        {REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {REG_BINARY, {0, 0xFF, 0}},
        {REG_NONE, {}},
        {0x12345678, {9}},
    };
    for (size_t index = 0; index < values.size(); ++index)
        ASSERT_EQ(RegSetValueExA(key, std::to_string(index).c_str(), 0, values[index].first,
                                 values[index].second.data(),
                                 static_cast<DWORD>(values[index].second.size())),
                  ERROR_SUCCESS);
    for (size_t index = 0; index < values.size(); ++index) {
        DWORD type = 0;
        BYTE data[16];
        DWORD size = sizeof data;
        ASSERT_EQ(RegQueryValueExA(key, std::to_string(index).c_str(), nullptr, &type, data, &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, values[index].first);
        EXPECT_EQ(std::vector<BYTE>(data, data + size), values[index].second);
    }
    // C code sees the same value through the same header.
    EXPECT_EQ(QueryTypeFromC(key, "5"), 0x12345678u);
    EXPECT_EQ(RegSetValueExA(key, "Null", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
    RegCloseKey(key);
}

TEST(RegistryValues, QueriesReportSizesAndRefuseShortBuffers) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    const char text[] = "camera";  // 7 bytes: the terminator counts
    ASSERT_EQ(
        RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
        ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 7u);

    char buffer[8] = "#######";
    size = 6;
    EXPECT_EQ(
        RegQueryValueExA(key, "text", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(
        RegQueryValueExA(key, "TEXT", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "camera");

    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", &reserved, nullptr, nullptr, &size),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(
        RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), nullptr),
        ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST(RegistryValues, NamesAreCaseInsensitiveAndTheDefaultValueHasNoName) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    DWORD value = 0;
    ASSERT_EQ(SetDword(key, nullptr, 5), ERROR_SUCCESS);
    EXPECT_EQ(QueryDword(key, "", &value), ERROR_SUCCESS);
    EXPECT_EQ(value, 5u);
    ASSERT_EQ(SetDword(key, "Speed", 1), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "SPEED", 2), ERROR_SUCCESS);
    EXPECT_EQ(QueryDword(key, "speed", &value), ERROR_SUCCESS);
    EXPECT_EQ(value, 2u);
    // One value, under the name it was first written with.
    char name[8];
    DWORD chars = sizeof name;
    ASSERT_EQ(RegEnumValueA(key, 1, name, &chars, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "Speed");
    chars = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 2, name, &chars, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegDeleteValueA(key, "sPEED"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "Speed"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST(RegistryValues, EnumerationFollowsTheDocumentedBufferRules) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    const BYTE blob[5] = {1, 2, 3, 4, 5};
    ASSERT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
    char name[8];
    DWORD chars = 4;  // "Blob" needs 5
    DWORD type = 0;
    BYTE data[8];
    DWORD size = sizeof data;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &chars, nullptr, &type, data, &size), ERROR_MORE_DATA);
    chars = sizeof name;
    size = 4;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &chars, nullptr, &type, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 5u);
    chars = sizeof name;
    ASSERT_EQ(RegEnumValueA(key, 0, name, &chars, nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Blob");
    EXPECT_EQ(chars, 4u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(memcmp(data, blob, 5), 0);
    RegCloseKey(key);
}

}  // namespace
