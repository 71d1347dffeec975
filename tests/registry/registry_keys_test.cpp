// Opening, creating, closing, deleting and enumerating keys, as Windows
// documents them.
#include "common/platform_difference.h"
#include "registry/registry_test_keys.h"

#include <cstring>
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
        RegCreateKeyExA(HKEY_CURRENT_USER, (base + "\\Alpha\\Beta").c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &created, &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    ASSERT_EQ(SetDword(created, "Mark", 7), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (base + "\\ALPHA\\beta").c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &opened, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    DWORD mark = 0;
    EXPECT_EQ(QueryDword(opened, "MARK", &mark), ERROR_SUCCESS);
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
    for (HKEY key : {created, opened, alpha}) EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST(RegistryKeys, HandlesCarryTheirRightsAndFailOnceClosed) {
    HKEY writer = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    ASSERT_EQ(SetDword(writer, "Value", 1), ERROR_SUCCESS);
    HKEY reader = nullptr;
    ASSERT_EQ(RegOpenKeyExA(writer, "", 0, KEY_READ, &reader), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(reader, "Value", 2), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(reader, "Value"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(reader, ""), ERROR_ACCESS_DENIED);
    HKEY set_only = nullptr;
    ASSERT_EQ(RegOpenKeyExA(writer, "", 0, KEY_SET_VALUE, &set_only), ERROR_SUCCESS);
    DWORD value = 0;
    EXPECT_EQ(QueryDword(set_only, "Value", &value), ERROR_ACCESS_DENIED);

    // The second handle lives on when the first is closed; a closed handle
    // stays dead even when its slot serves a new key.
    ASSERT_EQ(RegCloseKey(writer), ERROR_SUCCESS);
    EXPECT_EQ(QueryDword(reader, "Value", &value), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(writer), ERROR_INVALID_HANDLE);
    HKEY reopened = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    EXPECT_EQ(SetDword(writer, "x", 1), ERROR_INVALID_HANDLE);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    for (HKEY bogus : {static_cast<HKEY>(nullptr), reinterpret_cast<HKEY>(event),
                       reinterpret_cast<HKEY>(0x4003FFF0), reinterpret_cast<HKEY>(-1)})
        EXPECT_EQ(SetDword(bogus, "x", 1), ERROR_INVALID_HANDLE);
    CloseHandle(event);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS) << "predefined keys close quietly";
    for (HKEY key : {reader, set_only, reopened}) RegCloseKey(key);
}

TEST(RegistryKeys, DeleteRefusesKeysWithSubKeysAndOrphansOpenHandles) {
    HKEY parent = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    HKEY child = CreateKey(parent, "Child\\Grandchild");
    EXPECT_EQ(RegDeleteKeyA(parent, "Child"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(parent, "Missing"), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegDeleteKeyA(parent, "CHILD\\grandchild"), ERROR_SUCCESS);

    // The handle outlives its key, also when a new key of the same name
    // appears.
    HKEY replacement = CreateKey(parent, "Child\\Grandchild");
    DWORD value = 0;
    EXPECT_EQ(SetDword(child, "x", 1), ERROR_KEY_DELETED);
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

TEST(RegistryKeys, EnumerationFollowsTheDocumentedBufferRules) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    for (const char* name : {"charlie", "Alpha", "bravo"}) RegCloseKey(CreateKey(key, name));
    char name[8];
    DWORD chars = 5;  // "Alpha" needs 6 with its terminator
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    std::string seen;
    LSTATUS status;
    for (DWORD index = 0;; ++index) {
        chars = sizeof name;
        char klass[4] = "xx";
        DWORD class_chars = sizeof klass;
        FILETIME written{};
        status = RegEnumKeyExA(key, index, name, &chars, nullptr, klass, &class_chars, &written);
        if (status != ERROR_SUCCESS) break;
        EXPECT_EQ(chars, strlen(name));
        EXPECT_STREQ(klass, "");
        EXPECT_NE(written.dwHighDateTime, 0u);
        seen += std::string(name) + " ";
    }
    EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(seen, "Alpha bravo charlie ");
    // Any index, in any order, asked again.
    for (DWORD index : {2u, 0u, 1u, 1u, 2u}) {
        chars = sizeof name;
        ASSERT_EQ(RegEnumKeyExA(key, index, name, &chars, nullptr, nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
        EXPECT_STREQ(name, index == 0 ? "Alpha" : index == 1 ? "bravo" : "charlie");
    }
    RegCloseKey(key);
}

TEST(RegistryKeys, KeysAreMadeNoDeeperThanTheTreeLimit) {
    auto chain = [](int levels) {
        std::string path;
        for (int level = 0; level < levels; ++level) path += level ? "\\k" : "k";
        return path;
    };
    HKEY base = CreateKey(HKEY_CURRENT_USER, TestKeyPath());
    HKEY deep = nullptr;
    EXPECT_EQ(RegCreateKeyExA(base, chain(600).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &deep, nullptr),
              ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ(RegOpenKeyExA(base, "k", 0, KEY_READ, &deep), ERROR_FILE_NOT_FOUND);
    HKEY middle = CreateKey(base, chain(250));
    EXPECT_EQ(RegCreateKeyExA(middle, chain(350).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &deep, nullptr),
              ERROR_FILENAME_EXCED_RANGE);
    RegCloseKey(CreateKey(middle, chain(250)));
    RegCloseKey(middle);
    RegCloseKey(base);
}

TEST(RegistryKeys, EmptySubKeyNamesAndBadPaths) {
    HKEY same = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, &same), ERROR_SUCCESS);
    EXPECT_EQ(same, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "\\Software", 0, KEY_READ, &same),
              ERROR_BAD_PATHNAME);
    std::string too_long = "Software\\" + std::string(256, 'k');
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, too_long.c_str(), 0, nullptr, 0, KEY_READ, nullptr,
                              &same, nullptr),
              ERROR_INVALID_PARAMETER);
}

// Every key is kept in the hive file: volatile keys are not implemented.
PLATFORM_DIFFERENCE_TEST(RegistryKeys, VolatileKeysAreRefused) {
    const DWORD volatile_option = 1;  // REG_OPTION_VOLATILE, which winreg.h leaves out
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Volatile", 0, nullptr, volatile_option,
                              KEY_READ, nullptr, &key, nullptr),
              ERROR_NOT_SUPPORTED);
}

}  // namespace
