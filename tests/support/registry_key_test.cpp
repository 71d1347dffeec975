// RegistryKey: typed values, sub-keys and change notification.
#include "support/registry_key.h"

#include "registry/registry_test_keys.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace {

using kmx::RegistryKey;
using kmxtest::TestKeyPath;

TEST(RegistryKey, KeyThatDidNotOpenRefusesEverythingWithoutBlocking) {
    RegistryKey missing(HKEY_CURRENT_USER, (TestKeyPath() + "\\Missing").c_str(), false, false);
    EXPECT_EQ(missing.Handle(), nullptr);
    char text[8] = "keep";
    DWORD word = 7;
    EXPECT_EQ(missing.QueryString("Name", text, sizeof text), 0u);
    EXPECT_EQ(missing.QueryDword("Name", &word), 0);
    EXPECT_EQ(missing.SetDword("Name", 1), 0);
    EXPECT_EQ(missing.WaitForChange(), 0);
    EXPECT_EQ(word, 7u);
    missing.Close();
    EXPECT_EQ(missing.Handle(), nullptr);
    RegistryKey child(missing, "Child", false);
    EXPECT_EQ(child.Handle(), nullptr);
}

TEST(RegistryKey, StringsAreZeroTerminatedRegSzOnly) {
    RegistryKey key(HKEY_CURRENT_USER, TestKeyPath().c_str(), true, false);
    ASSERT_EQ(key.SetString("Empty", ""), 1);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(key.Handle(), "Empty", nullptr, &type, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 1u);
    char text[8] = "xxxxxxx";
    EXPECT_EQ(key.QueryString("Empty", text, sizeof text), 1u);
    EXPECT_STREQ(text, "");

    ASSERT_EQ(key.SetString("Language", "English"), 1);
    EXPECT_EQ(key.QueryString("Language", text, sizeof text), 8u);
    strcpy(text, "keep");
    EXPECT_EQ(key.QueryString("Language", text, 7), 0u);
    EXPECT_STREQ(text, "keep") << "a failed read leaves the buffer alone";
    EXPECT_EQ(key.QueryString("Language", nullptr, 8), 0u);

    const char expand[] = "%TEMP%";
    ASSERT_EQ(RegSetValueExA(key.Handle(), "Expand", 0, REG_EXPAND_SZ,
                             reinterpret_cast<const BYTE*>(expand), sizeof expand),
              ERROR_SUCCESS);
    EXPECT_EQ(key.QueryString("Expand", text, sizeof text), 0u);

    // A string stored without its terminator is handed out with one, when
    // the buffer has room for it.
    ASSERT_EQ(
        RegSetValueExA(key.Handle(), "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3),
        ERROR_SUCCESS);
    EXPECT_EQ(key.QueryString("Bare", text, 4), 4u);
    EXPECT_STREQ(text, "abc");
    EXPECT_EQ(key.QueryString("Bare", text, 3), 0u);
}

TEST(RegistryKey, DwordsAndBinariesMustMatchTypeAndSize) {
    RegistryKey key(HKEY_CURRENT_USER, TestKeyPath().c_str(), true, false);
    const BYTE four[4] = {1, 2, 3, 4};
    ASSERT_EQ(key.SetDword("Word", 0xCAFE), 1);
    ASSERT_EQ(key.SetBinary("Four", four, sizeof four), 1);
    ASSERT_EQ(RegSetValueExA(key.Handle(), "ShortWord", 0, REG_DWORD, four, 2), ERROR_SUCCESS);
    DWORD word = 0;
    EXPECT_EQ(key.QueryDword("Word", &word), 1);
    EXPECT_EQ(word, 0xCAFEu);
    EXPECT_EQ(key.QueryDword("Four", &word), 0);
    EXPECT_EQ(key.QueryDword("ShortWord", &word), 0);
    EXPECT_EQ(word, 0xCAFEu) << "a failed read leaves the word alone";

    BYTE buffer[5] = {};
    EXPECT_EQ(key.QueryBinary("Four", buffer, 3), 0);
    EXPECT_EQ(key.QueryBinary("Four", buffer, 5), 0);
    EXPECT_EQ(key.QueryBinary("Word", buffer, 4), 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(key.QueryBinary("Four", buffer, 4), 1);
    EXPECT_EQ(memcmp(buffer, four, 4), 0);

    RegistryKey reader(HKEY_CURRENT_USER, TestKeyPath().c_str(), false, true);
    EXPECT_EQ(reader.SetString("Text", "x"), 0);
    EXPECT_EQ(reader.SetDword("Word", 2), 0);
    EXPECT_EQ(reader.SetBinary("Data", "x", 1), 0);
    EXPECT_EQ(reader.DeleteValue("Word"), 0);
    EXPECT_EQ(key.DeleteValue("Word"), 1);
}

TEST(RegistryKey, SubKeysByIndexAndExactName) {
    RegistryKey key(HKEY_CURRENT_USER, TestKeyPath().c_str(), true, false);
    RegistryKey devices(key, "Devices", false);
    ASSERT_EQ(devices.SetDword("Marker", 9), 1);
    EXPECT_EQ(key.HasSubKey("Devices"), 1);
    EXPECT_EQ(key.HasSubKey("devices"), 0);

    char name[16];
    EXPECT_EQ(key.SubKeyName(0, name, sizeof name), 7u);
    EXPECT_STREQ(name, "Devices");
    EXPECT_EQ(key.SubKeyName(0, name, 7), 0u);

    std::unique_ptr<RegistryKey> opened;
    ASSERT_EQ(key.OpenSubKeyAt(0, &opened, false, true), 1);
    DWORD marker = 0;
    EXPECT_EQ(opened->QueryDword("Marker", &marker), 1);
    EXPECT_EQ(marker, 9u);
    RegistryKey* before = opened.get();
    EXPECT_EQ(key.OpenSubKeyAt(1, &opened, false, true), 0);
    EXPECT_EQ(opened.get(), before) << "a missing index leaves the out pointer alone";
    memset(name, 0, sizeof name);
    EXPECT_EQ(key.OpenSubKeyAt(0, &opened, name, sizeof name, false, false), 7u);
    EXPECT_STREQ(name, "Devices");
    EXPECT_EQ(opened->SetDword("Marker", 10), 1);
}

TEST(RegistryKey, NotifyChangeAndWaitForChangeSeeValueChanges) {
    RegistryKey watched(HKEY_CURRENT_USER, TestKeyPath().c_str(), true, true);
    RegistryKey writer(HKEY_CURRENT_USER, TestKeyPath().c_str(), true, false);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(watched.NotifyChange(nullptr), 0);
    ASSERT_EQ(watched.NotifyChange(event), 1);
    RegistryKey child(writer, "Child", false);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT) << "a sub-key is not a value change";
    ASSERT_EQ(writer.SetDword("Word", 1), 1);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    CloseHandle(event);

    std::atomic<bool> done{false};
    int result = -1;
    std::thread waiter([&] {
        result = watched.WaitForChange();
        done = true;
    });
    // The wait may start after a change; keep changing until it returns.
    for (DWORD counter = 0; !done; ++counter) {
        writer.SetDword("Counter", counter);
        std::this_thread::yield();
    }
    waiter.join();
    EXPECT_EQ(result, 1);
}

}  // namespace
