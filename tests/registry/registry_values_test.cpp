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

struct Stored {
    DWORD type;
    std::vector<BYTE> bytes;
};

TEST(RegistryValues, ValuesKeepTheTypeAndBytesTheyWereWrittenWith) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    const BYTE multi[] = "one\0two\0";
    const BYTE qword[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const BYTE binary[3] = {0, 0xFF, 0};
    const std::vector<std::pair<std::string, Stored>> values = {
        {"Text", {REG_SZ, {'h', 'i', 0}}},
        {"Expand", {REG_EXPAND_SZ, {'%', 'X', '%', 0}}},
        {"Multi", {REG_MULTI_SZ, std::vector<BYTE>(multi, multi + sizeof multi)}},
        {"Qword", {REG_QWORD, std::vector<BYTE>(qword, qword + 8)}},
        {"Binary", {REG_BINARY, std::vector<BYTE>(binary, binary + 3)}},
        {"Nothing", {REG_NONE, {}}},
        {"Private", {0x12345678, {9}}},
    };
    for (const auto& [name, stored] : values)
        ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, stored.type, stored.bytes.data(),
                                 static_cast<DWORD>(stored.bytes.size())),
                  ERROR_SUCCESS);
    for (const auto& [name, stored] : values) {
        DWORD type = 0;
        BYTE data[16];
        DWORD size = sizeof data;
        ASSERT_EQ(RegQueryValueExA(key, name.c_str(), nullptr, &type, data, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, stored.type) << name;
        EXPECT_EQ(std::vector<BYTE>(data, data + size), stored.bytes) << name;
    }
    // C code sees the same value through the same header.
    EXPECT_EQ(QueryTypeFromC(key, "Private"), 0x12345678u);
    RegCloseKey(key);
}

TEST(RegistryValues, QueriesReportSizesAndRefuseShortBuffers) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    const char text[] = "camera";  // 7 bytes with the terminator, which counts
    ASSERT_EQ(
        RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
        ERROR_SUCCESS);

    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);

    char buffer[8] = "#######";
    size = 6;
    type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "text", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    size = 7;
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
    EXPECT_EQ(QueryDword(key, nullptr, &value), ERROR_FILE_NOT_FOUND);
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
    EXPECT_EQ(QueryDword(key, "Speed", &value), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST(RegistryValues, EnumerationFollowsDocumentedBufferRules) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    ASSERT_EQ(SetDword(key, "Zoom", 3), ERROR_SUCCESS);
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
    size = sizeof data;
    ASSERT_EQ(RegEnumValueA(key, 0, name, &chars, nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Blob");
    EXPECT_EQ(chars, 4u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(memcmp(data, blob, 5), 0);

    chars = sizeof name;
    size = 0;
    ASSERT_EQ(RegEnumValueA(key, 1, name, &chars, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Zoom");
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(RegEnumValueA(key, 0, name, &chars, nullptr, nullptr, data, nullptr),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST(RegistryValues, WritesCheckTheirData) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    EXPECT_EQ(RegSetValueExA(key, "Null", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
    ASSERT_EQ(RegSetValueExA(key, "Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    DWORD size = 99;
    EXPECT_EQ(RegQueryValueExA(key, "Empty", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
    std::string long_name(16384, 'v');
    EXPECT_EQ(SetDword(key, long_name.c_str(), 1), ERROR_INVALID_PARAMETER);
    long_name.pop_back();
    EXPECT_EQ(SetDword(key, long_name.c_str(), 1), ERROR_SUCCESS);
    RegCloseKey(key);
}

}  // namespace
