// Opening, creating, closing, deleting and enumerating keys, as Windows
// documents them.
#include "registry/registry_test_keys.h"

#include <string>

namespace {

using kmxtest::CreateKey;
using kmxtest::QueryDword;
using kmxtest::SetDword;
using kmxtest::TestKeyPath;

TEST(RegistryKeys, CreateMakesTheWholePathAndOpenFindsItInAnyCase) {
    std::string base = TestKeyPath();
    HKEY opened = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (base + "\\Alpha").c_str(), 0, KEY_READ, &opened),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(opened, nullptr);

    HKEY created = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, (base + "\\Alpha\\Beta\\Gamma").c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &created, &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    ASSERT_EQ(SetDword(created, "Mark", 7), ERROR_SUCCESS);

    HKEY again = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, (base + "\\ALPHA\\beta\\gAmMa").c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &again, &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    DWORD mark = 0;
    EXPECT_EQ(QueryDword(again, "MARK", &mark), ERROR_SUCCESS);
    EXPECT_EQ(mark, 7u);

    // Names keep the case they were created with.
    HKEY alpha = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (base + "\\alpha").c_str(), 0, KEY_READ, &alpha),
              ERROR_SUCCESS);
    char name[16];
    DWORD chars = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(alpha, 0, name, &chars, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "Beta");
    EXPECT_EQ(chars, 4u);

    for (HKEY key : {created, again, alpha}) EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST(RegistryKeys, ClosedAndForeignHandlesFailWithInvalidHandle) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    DWORD value = 0;
    EXPECT_EQ(QueryDword(key, "x", &value), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetDword(key, "x", 1), ERROR_INVALID_HANDLE);

    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    for (HKEY bogus :
         {static_cast<HKEY>(nullptr), reinterpret_cast<HKEY>(event), reinterpret_cast<HKEY>(0x1234),
          reinterpret_cast<HKEY>(0x40000004), reinterpret_cast<HKEY>(-1)}) {
        EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
        EXPECT_EQ(SetDword(bogus, "x", 1), ERROR_INVALID_HANDLE);
    }
    CloseHandle(event);

    // A slot used again by a new key does not bring the closed handle back.
    HKEY reopened = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    EXPECT_EQ(SetDword(key, "x", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(reopened), ERROR_SUCCESS);

    // Closing a predefined key succeeds and leaves it usable.
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    HKEY software = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &software), ERROR_SUCCESS);
    RegCloseKey(software);
}

TEST(RegistryKeys, HandlesHaveOnlyTheRightsTheyWereOpenedWith) {
    HKEY writer = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    ASSERT_EQ(SetDword(writer, "Value", 1), ERROR_SUCCESS);
    HKEY reader = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, TestKeyPath().c_str(), 0, KEY_READ, &reader),
              ERROR_SUCCESS);
    EXPECT_EQ(SetDword(reader, "Value", 2), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(reader, "Value"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(reader, ""), ERROR_ACCESS_DENIED);
    DWORD value = 0;
    EXPECT_EQ(QueryDword(reader, "Value", &value), ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);

    HKEY set_only = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, TestKeyPath().c_str(), 0, KEY_SET_VALUE, &set_only),
              ERROR_SUCCESS);
    EXPECT_EQ(QueryDword(set_only, "Value", &value), ERROR_ACCESS_DENIED);
    char name[8];
    DWORD chars = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(set_only, 0, name, &chars, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(SetDword(set_only, "Value", 3), ERROR_SUCCESS);
    for (HKEY key : {writer, reader, set_only}) RegCloseKey(key);
}

TEST(RegistryKeys, DeleteRefusesKeysWithSubKeysAndOrphansOpenHandles) {
    std::string base = TestKeyPath();
    HKEY parent = CreateKey(HKEY_CURRENT_USER, base);
    HKEY child = CreateKey(parent, "Child\\Grandchild");
    EXPECT_EQ(RegDeleteKeyA(parent, "Child"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(parent, "Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(parent, nullptr), ERROR_INVALID_PARAMETER);
    ASSERT_EQ(RegDeleteKeyA(parent, "CHILD\\grandchild"), ERROR_SUCCESS);

    // The handle outlives its key: every use now reports the deletion, also
    // after a new key of the same name appears.
    DWORD value = 0;
    EXPECT_EQ(SetDword(child, "x", 1), ERROR_KEY_DELETED);
    EXPECT_EQ(QueryDword(child, "x", &value), ERROR_KEY_DELETED);
    HKEY replacement = CreateKey(parent, "Child\\Grandchild");
    EXPECT_EQ(SetDword(replacement, "x", 1), ERROR_SUCCESS);
    EXPECT_EQ(QueryDword(child, "x", &value), ERROR_KEY_DELETED);
    HKEY below = nullptr;
    EXPECT_EQ(RegCreateKeyExA(child, "Below", 0, nullptr, 0, KEY_READ, nullptr, &below, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(child), ERROR_SUCCESS);

    // A key opened with DELETE may delete itself; the root never.
    ASSERT_EQ(RegDeleteKeyA(replacement, ""), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(parent, "Child\\Grandchild", 0, KEY_READ, &below),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
    RegCloseKey(replacement);
    RegCloseKey(parent);
}

TEST(RegistryKeys, EnumerationFollowsDocumentedBufferRules) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    for (const char* name : {"charlie", "Alpha", "bravo"}) RegCloseKey(CreateKey(key, name));

    char name[8];
    DWORD chars = 5;  // "Alpha" needs 6 with its terminator
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    std::string seen;
    DWORD index = 0;
    LSTATUS status;
    for (;; ++index) {
        chars = sizeof name;
        char klass[4] = "xx";
        DWORD class_chars = sizeof klass;
        FILETIME written{};
        status = RegEnumKeyExA(key, index, name, &chars, nullptr, klass, &class_chars, &written);
        if (status != ERROR_SUCCESS) break;
        EXPECT_EQ(chars, strlen(name));
        EXPECT_STREQ(klass, "");
        EXPECT_EQ(class_chars, 0u);
        EXPECT_NE(written.dwHighDateTime, 0u);
        seen += std::string(name) + " ";
    }
    EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(seen, "Alpha bravo charlie ");
    chars = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(key, 0, nullptr, &chars, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST(RegistryKeys, EmptySubKeyNamesAndBadPaths) {
    HKEY same = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &same), ERROR_SUCCESS);
    EXPECT_EQ(same, HKEY_CURRENT_USER);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, &same), ERROR_SUCCESS);
    EXPECT_EQ(same, HKEY_LOCAL_MACHINE);

    // On an opened key the empty name gives a second handle of its own.
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    HKEY second = nullptr;
    ASSERT_EQ(RegOpenKeyExA(key, "", 0, KEY_ALL_ACCESS, &second), ERROR_SUCCESS);
    EXPECT_NE(second, key);
    RegCloseKey(key);
    EXPECT_EQ(SetDword(second, "StillOpen", 1), ERROR_SUCCESS);
    RegCloseKey(second);

    HKEY result = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "\\Software", 0, KEY_READ, &result),
              ERROR_BAD_PATHNAME);
    std::string too_long = "Software\\" + std::string(256, 'k');
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, too_long.c_str(), 0, nullptr, 0, KEY_READ, nullptr,
                              &result, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Volatile", 0, nullptr, 1, KEY_READ,
                              nullptr, &result, nullptr),
              ERROR_NOT_SUPPORTED);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, nullptr),
              ERROR_INVALID_PARAMETER);
}

}  // namespace
