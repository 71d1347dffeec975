// Installable drivers: OpenDriver by alias and by module name, the message
// sequence Windows sends, refusals, drivers that open drivers, several
// threads at once; DriverCallback and capGetDriverDescriptionA.
#include <windows.h>
#include <mmddk.h>
#include <vfw.h>

#include <gtest/gtest.h>
#include <kmxwin/driver_registry.h>

#include <string>
#include <thread>
#include <vector>

#include "module_test_support.h"
#include "plugins/module_events.h"

namespace {

using kmxtest::SetDriverValue;
using kmxtest::TakeDriverMessages;

constexpr LPARAM kRefuseOpen = 0xBAD;

class Drivers : public kmxtest::ModuleTest {};

TEST_F(Drivers, OpenByAliasAndByNameSendsWindowsSequence) {
    SetDriverValue(KMXWIN_DRIVERS32_SECTION, "msvideo3", "kmxtest_driver.dll camera  two");
    HDRVR first = OpenDriver(u"msvideo3", nullptr, 7);
    ASSERT_NE(first, nullptr);
    HDRVR second = OpenDriver(u"KMXTEST_DRIVER.DLL", u"Drivers32", 8);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    HMODULE module = GetModuleHandleA("kmxtest_driver");
    EXPECT_EQ(GetDriverModuleHandle(first), module);
    EXPECT_EQ(GetDriverModuleHandle(second), module);
    // Each instance gets its own id back with every message.
    EXPECT_EQ(SendDriverMessage(first, DRV_USER, 20, 3), 0x100 * 1000 + 23);
    EXPECT_EQ(SendDriverMessage(second, DRV_USER, 20, 3), 0x101 * 1000 + 23);
    EXPECT_EQ(CloseDriver(first, 0, 0), 1);
    EXPECT_EQ(CloseDriver(second, 0, 0), 1);
    EXPECT_EQ(
        TakeDriverMessages(),
        (std::vector<std::string>{"kmxtest_driver load 0", "kmxtest_driver enable 0",
                                  "kmxtest_driver open camera  two 7", "kmxtest_driver open null 8",
                                  "kmxtest_driver close 0x100", "kmxtest_driver close 0x101",
                                  "kmxtest_driver disable 0x101", "kmxtest_driver free 0x101"}));
    // Closed means gone: the handle answers nothing and the module is unloaded.
    EXPECT_EQ(SendDriverMessage(first, DRV_USER, 1, 1), 0);
    EXPECT_EQ(CloseDriver(first, 0, 0), 0);
    EXPECT_EQ(GetDriverModuleHandle(first), nullptr);
    EXPECT_EQ(GetModuleHandleA("kmxtest_driver"), nullptr);
}

TEST_F(Drivers, RefusalsOpenNothingAndUnloadTheModule) {
    EXPECT_EQ(OpenDriver(u"kmxtest_driver", nullptr, kRefuseOpen), nullptr);
    EXPECT_EQ(TakeDriverMessages(),
              (std::vector<std::string>{"kmxtest_driver load 0", "kmxtest_driver enable 0",
                                        "kmxtest_driver open null 2989", "kmxtest_driver disable 0",
                                        "kmxtest_driver free 0"}));
    EXPECT_EQ(GetModuleHandleA("kmxtest_driver"), nullptr);

    EXPECT_EQ(OpenDriver(u"kmxtest_unloadable_driver", nullptr, 0), nullptr);
    EXPECT_EQ(TakeDriverMessages(), std::vector<std::string>{"kmxtest_unloadable_driver load 0"});
    EXPECT_EQ(GetModuleHandleA("kmxtest_unloadable_driver"), nullptr);

    // No such module, or a module that is no driver.
    EXPECT_EQ(OpenDriver(u"msvideo9", nullptr, 0), nullptr);
    EXPECT_EQ(OpenDriver(u"kmxtest_probe.dll", nullptr, 0), nullptr);
    EXPECT_EQ(GetModuleHandleA("kmxtest_probe"), nullptr);
    EXPECT_EQ(OpenDriver(nullptr, nullptr, 0), nullptr);
}

TEST_F(Drivers, ADriverOpensDriversWhileHandlingAMessage) {
    HDRVR driver = OpenDriver(u"kmxtest_driver", nullptr, 0);
    ASSERT_NE(driver, nullptr);
    // The inner instance of the same module is its second: no second load.
    EXPECT_EQ(
        SendDriverMessage(driver, DRV_USER + 1, reinterpret_cast<LPARAM>(u"kmxtest_driver"), 0),
        0x101 * 1000 + 5);
    EXPECT_EQ(CloseDriver(driver, 0, 0), 1);
    std::vector<std::string> messages = TakeDriverMessages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "kmxtest_driver load 0"), 1);
    EXPECT_EQ(messages.back(), "kmxtest_driver free 0x100");
}

TEST_F(Drivers, ThreadsOpeningAndClosingAtOnceKeepTheSequence) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 50; ++i) {
                HDRVR driver = OpenDriver(u"kmxtest_driver", nullptr, 0);
                ASSERT_NE(driver, nullptr);
                EXPECT_NE(SendDriverMessage(driver, DRV_USER, 0, 0), 0);
                EXPECT_EQ(CloseDriver(driver, 0, 0), 1);
            }
        });
    for (std::thread& thread : threads) thread.join();
    // Between a load and the next free no other load, and every open and
    // close inside a load-free bracket.
    bool loaded = false;
    int opens = 0, closes = 0;
    for (const std::string& message : TakeDriverMessages()) {
        std::string kind = message.substr(message.find(' ') + 1);
        kind = kind.substr(0, kind.find(' '));
        if (kind == "load") {
            EXPECT_FALSE(loaded);
            loaded = true;
        } else if (kind == "free") {
            EXPECT_TRUE(loaded);
            loaded = false;
        } else if (kind == "open" || kind == "close") {
            EXPECT_TRUE(loaded) << message;
            ++(kind == "open" ? opens : closes);
        }
    }
    EXPECT_FALSE(loaded);
    EXPECT_EQ(opens, 200);
    EXPECT_EQ(closes, 200);
}

void CALLBACK CountingCallback(HDRVR device, UINT message, DWORD_PTR user, DWORD_PTR one,
                               DWORD_PTR two) {
    auto* seen = reinterpret_cast<std::vector<DWORD_PTR>*>(user);
    seen->insert(seen->end(), {reinterpret_cast<DWORD_PTR>(device), message, one, two});
}

TEST(DriverCallback, CallsFunctionsAndSetsEvents) {
    std::vector<DWORD_PTR> seen;
    HDRVR device = reinterpret_cast<HDRVR>(0x10004);
    EXPECT_TRUE(DriverCallback(reinterpret_cast<DWORD_PTR>(&CountingCallback), DCB_FUNCTION, device,
                               MM_DRVM_DATA, reinterpret_cast<DWORD_PTR>(&seen), 5, 6));
    EXPECT_EQ(seen, (std::vector<DWORD_PTR>{0x10004, MM_DRVM_DATA, 5, 6}));
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_TRUE(DriverCallback(reinterpret_cast<DWORD_PTR>(event), DCB_EVENT, device, MM_DRVM_OPEN,
                               0, 0, 0));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    CloseHandle(event);
    EXPECT_TRUE(DriverCallback(0, DCB_NULL, device, MM_DRVM_OPEN, 0, 0, 0));
}

TEST(DriverCallback, WindowAndTaskCallbacksAreNotDeliveredYet_PlatformDiffers) {
    EXPECT_FALSE(DriverCallback(1, DCB_WINDOW, nullptr, MM_DRVM_OPEN, 0, 0, 0));
    EXPECT_FALSE(DriverCallback(1, DCB_TASK, nullptr, MM_DRVM_OPEN, 0, 0, 0));
}

TEST(CaptureDriverDescription, DescribesTheMsvideoAliases) {
    SetDriverValue(KMXWIN_DRIVERS32_SECTION, "msvideo", "first.dll");
    SetDriverValue(KMXWIN_DRIVERS32_SECTION, "msvideo2", "second.dll 1 2");
    SetDriverValue(KMXWIN_DRIVER_DESCRIPTIONS_SECTION, "second.dll", "Second capture driver");
    char name[64], version[64];
    ASSERT_TRUE(capGetDriverDescriptionA(0, name, sizeof name, version, sizeof version));
    EXPECT_STREQ(name, "first.dll");
    ASSERT_TRUE(capGetDriverDescriptionA(2, name, sizeof name, version, sizeof version));
    EXPECT_STREQ(name, "Second capture driver");
    EXPECT_STREQ(version, "");  // shared objects carry no version resource
    // Cut to the buffer and terminated; a size of 0 leaves the buffer alone.
    strcpy(version, "untouched");
    ASSERT_TRUE(capGetDriverDescriptionA(2, name, 7, version, 0));
    EXPECT_STREQ(name, "Second");
    EXPECT_STREQ(version, "untouched");
    EXPECT_FALSE(capGetDriverDescriptionA(1, name, sizeof name, version, sizeof version));
    EXPECT_FALSE(capGetDriverDescriptionA(10, name, sizeof name, version, sizeof version));
}

}  // namespace
