// The debug interface through its exports, against the camera service
// embedded in the test process: two cameras, faults armed per control code.
#include <windows.h>

#include <gtest/gtest.h>

#include <kmx512u/kmxdebug.h>

#include "camera_records.h"
#include "common/test_environment.h"
#include "device/camera_enumeration.h"
#include "device/device_test_support.h"

#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern "C" int KmxdebugNameFromC(DWORD status, char* text, DWORD size);

namespace {

using kmxcam::Fault;
using kmxcam::FaultKind;

constexpr DWORD kSuccess = KMXDEBUG_STATUS_SUCCESS;

// Device id words of the profiles the cameras are plugged with.
constexpr DWORD kPantiltId1 = 0x0DA50512, kPantiltId2 = 0x00000101;

class DebugInterface : public kmxdevicetest::DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        first_path_ = Plug("pantilt", "D1");
        second_path_ = Plug("compact", "D2");
    }
    void TearDown() override {
        KMXDebug_CloseDevice(&device_);
        DeviceTest::TearDown();
    }
    void OpenFirst() { ASSERT_EQ(KMXDebug_OpenDevice(1, &device_), kSuccess); }

    std::string first_path_, second_path_;
    HANDLE device_ = INVALID_HANDLE_VALUE;
};

// A driver of another interface version: it answers the version request
// with 0x0214 and nothing else.
class OtherVersionDriver : public kmxwin::DeviceDriver {
  public:
    bool Open(kmxwin::DeviceConnection&) override { return true; }
    void Closed(kmxwin::DeviceConnection&) override {}
    void Request(std::unique_ptr<kmxwin::DeviceRequest> request) override {
        std::vector<BYTE> reply = request->Input();
        reply[0] = 0;
        DWORD version = 0x0214;
        memcpy(&reply[offsetof(kmx::DebugHeader, words) + 4], &version, sizeof version);
        request->Complete(STATUS_SUCCESS, reply.data(), static_cast<DWORD>(reply.size()));
    }
};

TEST(DebugStatusTexts, EachCodeIsItsNameWhenItFitsWithItsTerminator) {
    char text[64] = "untouched";
    // No function answers it, but it has its text.
    ASSERT_EQ(KMXDebug_GetStatusText(KMXDEBUG_STATUS_NOT_IMPLEMENTED, text, sizeof text), kSuccess);
    EXPECT_STREQ(text, "KMXDEBUG_STATUS_NOT_IMPLEMENTED");
    EXPECT_EQ(KMXDebug_GetStatusText(0x3003, text, sizeof text),
              static_cast<DWORD>(KMXDEBUG_STATUS_UNKNOWN_CODE));

    const DWORD exact = sizeof "KMXDEBUG_STATUS_DEVICE_REMOVED";
    strcpy(text, "untouched");
    EXPECT_EQ(KMXDebug_GetStatusText(KMXDEBUG_STATUS_DEVICE_REMOVED, text, exact - 1),
              static_cast<DWORD>(KMXDEBUG_STATUS_BUFFER_TOO_SMALL));
    EXPECT_STREQ(text, "untouched");
    ASSERT_EQ(KMXDebug_GetStatusText(KMXDEBUG_STATUS_DEVICE_REMOVED, text, exact), kSuccess);
    EXPECT_STREQ(text, "KMXDEBUG_STATUS_DEVICE_REMOVED");
    EXPECT_EQ(KMXDebug_GetStatusText(KMXDEBUG_STATUS_SUCCESS, nullptr, 64),
              static_cast<DWORD>(KMXDEBUG_STATUS_BAD_PARAMETER));

    ASSERT_TRUE(KmxdebugNameFromC(KMXDEBUG_STATUS_UNKNOWN_FLAG_BLOCK, text, sizeof text));
    EXPECT_STREQ(text, "KMXDEBUG_STATUS_UNKNOWN_FLAG_BLOCK");
}

TEST(DebugExports, TheLibraryExportsAllNineteen) {
    HMODULE library = LoadLibraryA(kmxtest::ProgramPath("../lib/libkmx512u.so").c_str());
    ASSERT_NE(library, nullptr) << "error " << GetLastError();
    for (const char* name :
         {"KMXDebug_GetStatusText", "KMXDebug_GetVersion", "KMXDebug_GetFlagName",
          "KMXDebug_GetFlagBlockName", "KMXDebug_GetFlagInfo", "KMXDebug_SetFlagInfo",
          "KMXDebug_EnumDevices", "KMXDebug_OpenDevice", "KMXDebug_CloseDevice",
          "KMXDebug_DeviceIDGet", "KMXDebug_GetConnectionString", "KMXDebug_GetConnectionID",
          "KMXDebug_USB_Set_Interface", "KMXDebug_USB_Command", "KMXDebug_Command",
          "KMXDebug_USB_Transfer", "KMXDebug_GetPropertyDescriptor",
          "KMXDebug_GetNotificationDescriptor", "KMXDebug_GetPropertyInformation"})
        EXPECT_NE(GetProcAddress(library, name), nullptr) << name;
    EXPECT_TRUE(FreeLibrary(library));
}

TEST_F(DebugInterface, VersionIsCheckedAndWrittenBeforeTheTextIsRefused) {
    WORD version = 0;
    DWORD word = 7;
    char text[16] = "untouched";
    ASSERT_EQ(KMXDebug_GetVersion(&version, &word, text, sizeof text), kSuccess);
    EXPECT_EQ(version, 0x0215);
    EXPECT_EQ(word, 0u);
    EXPECT_STREQ(text, "2.21.00.01");

    version = 0;
    word = 7;
    strcpy(text, "untouched");
    EXPECT_EQ(KMXDebug_GetVersion(&version, &word, text, 10),
              static_cast<DWORD>(KMXDEBUG_STATUS_BUFFER_TOO_SMALL));
    EXPECT_EQ(version, 0x0215);
    EXPECT_EQ(word, 0u);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(KMXDebug_GetVersion(nullptr, nullptr, nullptr, 0), kSuccess);

    // A driver that never writes its status has not answered.
    ASSERT_TRUE(
        service_->ArmFault("D1", kmx::kDebugVersionCode, Fault{FaultKind::Unwritten, 0, 1}));
    EXPECT_EQ(KMXDebug_GetVersion(&version, nullptr, nullptr, 0),
              static_cast<DWORD>(KMXDEBUG_STATUS_OPERATION_FAILED));
}

TEST_F(DebugInterface, NoCameraMeansNoDriverAndAnotherVersionIsRefused) {
    service_.reset();
    EXPECT_EQ(KMXDebug_GetVersion(nullptr, nullptr, nullptr, 0),
              static_cast<DWORD>(KMXDEBUG_STATUS_DRIVER_NOT_FOUND));
    EXPECT_EQ(KMXDebug_SetFlagInfo(5, 0, 1), static_cast<DWORD>(KMXDEBUG_STATUS_DRIVER_NOT_FOUND));

    OtherVersionDriver driver;
    const std::string path = "\\\\?\\kmx512#other-version";
    auto served = kmxwin::DeviceInterface::Register(kmx::kCameraInterfaceClass, path, driver);
    ASSERT_TRUE(served);
    ASSERT_EQ(kmx::RegisterCamera(path.c_str()), 1);  // the last refresh was just now
    WORD version = 0;
    EXPECT_EQ(KMXDebug_GetVersion(&version, nullptr, nullptr, 0),
              static_cast<DWORD>(KMXDEBUG_STATUS_VERSION_MISMATCH));
    EXPECT_EQ(version, 0);
}

TEST_F(DebugInterface, FlagBlocksBelowFiveAreNotTheDrivers) {
    char name[32] = "untouched";
    EXPECT_EQ(KMXDebug_GetFlagName(4, 0, name, sizeof name),
              static_cast<DWORD>(KMXDEBUG_STATUS_RELEASE_DRIVER));
    EXPECT_STREQ(name, "");
    EXPECT_EQ(KMXDebug_GetFlagBlockName(0, nullptr, 32),
              static_cast<DWORD>(KMXDEBUG_STATUS_BAD_PARAMETER));
    DWORD value = 9;
    EXPECT_EQ(KMXDebug_GetFlagInfo(4, 0, &value),
              static_cast<DWORD>(KMXDEBUG_STATUS_RELEASE_DRIVER));
    EXPECT_EQ(value, 9u);
    EXPECT_EQ(KMXDebug_SetFlagInfo(0, 0, 1), static_cast<DWORD>(KMXDEBUG_STATUS_RELEASE_DRIVER));

    // Block 5 is the driver's first.
    ASSERT_EQ(KMXDebug_GetFlagName(5, 1, name, sizeof name), kSuccess);
    EXPECT_STREQ(name, "Warnings");
    ASSERT_EQ(KMXDebug_GetFlagBlockName(7, name, sizeof name), kSuccess);
    EXPECT_STREQ(name, "USB");
    // The driver releases its block 3 itself.
    EXPECT_EQ(KMXDebug_GetFlagBlockName(8, name, sizeof name),
              static_cast<DWORD>(KMXDEBUG_STATUS_RELEASE_DRIVER));
    // A null name buffer asks nothing, an empty one is left alone.
    EXPECT_EQ(KMXDebug_GetFlagName(5, 99, nullptr, 32), kSuccess);
    char guard[2] = {'x', 'y'};
    EXPECT_EQ(KMXDebug_GetFlagName(5, 0, guard, 0), kSuccess);
    EXPECT_EQ(guard[0], 'x');
    // A name longer than the buffer comes back cut and terminated.
    char cut[4];
    ASSERT_EQ(KMXDebug_GetFlagName(5, 1, cut, sizeof cut), kSuccess);
    EXPECT_STREQ(cut, "War");
}

TEST_F(DebugInterface, FlagValuesAreSetAndReadAndUnknownOnesNamed) {
    ASSERT_EQ(KMXDebug_SetFlagInfo(6, 2, 0xA5A5), kSuccess);
    DWORD value = 0;
    ASSERT_EQ(KMXDebug_GetFlagInfo(6, 2, &value), kSuccess);
    EXPECT_EQ(value, 0xA5A5u);
    EXPECT_EQ(KMXDebug_GetFlagInfo(6, 2, nullptr), kSuccess);
    EXPECT_EQ(KMXDebug_GetFlagInfo(6, 3, &value), static_cast<DWORD>(KMXDEBUG_STATUS_UNKNOWN_FLAG));
    EXPECT_EQ(KMXDebug_GetFlagInfo(20, 0, &value),
              static_cast<DWORD>(KMXDEBUG_STATUS_UNKNOWN_FLAG_BLOCK));
    EXPECT_EQ(KMXDebug_SetFlagInfo(20, 0, 1),
              static_cast<DWORD>(KMXDEBUG_STATUS_UNKNOWN_FLAG_BLOCK));
    // The flags are the first camera's: the second keeps its own.
    ASSERT_TRUE(service_->Unplug("D1"));
    ASSERT_EQ(KMXDebug_GetFlagInfo(6, 2, &value), kSuccess);
    EXPECT_EQ(value, 0u);
}

TEST_F(DebugInterface, EnumerationCountsEveryCameraThatOpens) {
    DWORD count = 99;
    ASSERT_EQ(KMXDebug_EnumDevices(nullptr, 0, &count), kSuccess);
    EXPECT_EQ(count, 2u);
    DWORD ids[2] = {0, 0};
    ASSERT_EQ(KMXDebug_EnumDevices(ids, 1, &count), kSuccess);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(ids[0], 1u);
    EXPECT_EQ(ids[1], 0u);
    EXPECT_EQ(KMXDebug_EnumDevices(ids, 2, nullptr),
              static_cast<DWORD>(KMXDEBUG_STATUS_BAD_PARAMETER));

    // An unplugged camera keeps its id but no longer opens.
    ASSERT_TRUE(service_->Unplug("D1"));
    ASSERT_EQ(KMXDebug_EnumDevices(ids, 2, &count), kSuccess);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(ids[0], 2u);
}

TEST_F(DebugInterface, DevicesOpenByListedIdAndCloseOnce) {
    HANDLE device = reinterpret_cast<HANDLE>(0x1234);
    for (LONG id : {0L, 256L, -1L})
        EXPECT_EQ(KMXDebug_OpenDevice(id, &device),
                  static_cast<DWORD>(KMXDEBUG_STATUS_BAD_PARAMETER))
            << id;
    EXPECT_EQ(device, reinterpret_cast<HANDLE>(0x1234));
    EXPECT_EQ(KMXDebug_OpenDevice(255, &device),
              static_cast<DWORD>(KMXDEBUG_STATUS_DEVICE_NOT_FOUND));
    EXPECT_EQ(device, INVALID_HANDLE_VALUE);

    ASSERT_EQ(KMXDebug_OpenDevice(1, &device), kSuccess);
    DWORD id1 = 0, id2 = 0;
    ASSERT_EQ(KMXDebug_DeviceIDGet(device, &id1, &id2), kSuccess);
    EXPECT_EQ(id1, kPantiltId1);
    EXPECT_EQ(id2, kPantiltId2);
    EXPECT_EQ(KMXDebug_CloseDevice(&device), kSuccess);
    EXPECT_EQ(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(KMXDebug_CloseDevice(&device), static_cast<DWORD>(KMXDEBUG_STATUS_INVALID_HANDLE));
    EXPECT_EQ(KMXDebug_CloseDevice(nullptr), static_cast<DWORD>(KMXDEBUG_STATUS_BAD_PARAMETER));
    EXPECT_EQ(KMXDebug_DeviceIDGet(device, &id1, &id2),
              static_cast<DWORD>(KMXDEBUG_STATUS_INVALID_HANDLE));
}

TEST_F(DebugInterface, ADeviceThatGoesAwayKeepsTheToolsHandle) {
    OpenFirst();
    ASSERT_TRUE(service_->ArmFault("D1", kmx::kDebugDeviceIdCode, Fault{FaultKind::Drop, 0, 1}));
    DWORD id1 = 0;
    EXPECT_EQ(KMXDebug_DeviceIDGet(device_, &id1, nullptr),
              static_cast<DWORD>(KMXDEBUG_STATUS_DEVICE_REMOVED));
    EXPECT_NE(device_, INVALID_HANDLE_VALUE);
    EXPECT_EQ(KMXDebug_CloseDevice(&device_), kSuccess);
}

TEST_F(DebugInterface, ConnectionStringsAndIdsNameTheSameListing) {
    DWORD count = 0;
    ASSERT_EQ(KMXDebug_EnumDevices(nullptr, 0, &count), kSuccess);  // lists the cameras
    char path[KMXDEBUG_CONNECTION_STRING_SIZE];
    EXPECT_EQ(KMXDebug_GetConnectionString(1, path, sizeof path - 1),
              static_cast<DWORD>(KMXDEBUG_STATUS_BUFFER_TOO_SMALL));
    ASSERT_EQ(KMXDebug_GetConnectionString(2, path, sizeof path), kSuccess);
    EXPECT_EQ(path, second_path_);
    EXPECT_EQ(KMXDebug_GetConnectionString(3, path, sizeof path),
              static_cast<DWORD>(KMXDEBUG_STATUS_OPERATION_FAILED));

    DWORD id = 99;
    ASSERT_EQ(KMXDebug_GetConnectionID(&id, second_path_.c_str()), kSuccess);
    EXPECT_EQ(id, 2u);
    ASSERT_EQ(KMXDebug_GetConnectionID(&id, first_path_.c_str()), kSuccess);
    EXPECT_EQ(id, 1u);
    EXPECT_EQ(KMXDebug_GetConnectionID(&id, "\\\\?\\no-such-camera"),
              static_cast<DWORD>(KMXDEBUG_STATUS_OPERATION_FAILED));
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(KMXDebug_GetConnectionID(&id, nullptr),
              static_cast<DWORD>(KMXDEBUG_STATUS_BAD_PARAMETER));
}

TEST_F(DebugInterface, RawCommandsNeedAnOpenDeviceAndCarryTheDataBothWays) {
    BYTE data[4] = {1, 2, 3, 4};
    EXPECT_EQ(KMXDebug_Command(INVALID_HANDLE_VALUE, 0, 1, 0x10, data, 4),
              static_cast<DWORD>(KMXDEBUG_STATUS_INVALID_HANDLE));
    EXPECT_EQ(KMXDebug_USB_Transfer(INVALID_HANDLE_VALUE, 0, data, 4, 0),
              static_cast<DWORD>(KMXDEBUG_STATUS_INVALID_HANDLE));
    EXPECT_EQ(KMXDebug_USB_Set_Interface(INVALID_HANDLE_VALUE, 0, 1),
              static_cast<DWORD>(KMXDEBUG_STATUS_INVALID_HANDLE));
    OpenFirst();

    // The simulated driver: byte parameter 1 writes its registers at the
    // 16-bit parameter, 0 reads them; a transfer out writes at the word
    // parameter, one in (endpoint bit 7) reads.
    ASSERT_EQ(KMXDebug_USB_Command(device_, 0, 1, 0x10, data, 4), kSuccess);
    BYTE back[4] = {};
    ASSERT_EQ(KMXDebug_Command(device_, 0, 0, 0x10, back, 4), kSuccess);
    EXPECT_EQ(memcmp(back, data, 4), 0);
    BYTE more[2] = {9, 8};
    ASSERT_EQ(KMXDebug_USB_Transfer(device_, 0x01, more, 2, 0x12), kSuccess);
    ASSERT_EQ(KMXDebug_USB_Transfer(device_, 0x81, back, 4, 0x10), kSuccess);
    EXPECT_EQ(back[0], 1);
    EXPECT_EQ(back[2], 9);
    EXPECT_EQ(back[3], 8);

    EXPECT_EQ(KMXDebug_USB_Set_Interface(device_, 0, 3), kSuccess);
    EXPECT_EQ(KMXDebug_USB_Set_Interface(device_, 1, 0),
              static_cast<DWORD>(KMXDEBUG_STATUS_BAD_PARAMETER));
    // Data the caller does not give cannot be sent.
    EXPECT_EQ(KMXDebug_USB_Transfer(device_, 0x81, nullptr, 4, 0),
              static_cast<DWORD>(KMXDEBUG_STATUS_BAD_PARAMETER));

    // The driver's own failures are translated.
    ASSERT_TRUE(service_->ArmFault("D1", kmx::kDebugCommandCode, Fault{FaultKind::Status, 6, 1}));
    EXPECT_EQ(KMXDebug_Command(device_, 0, 0, 0x10, back, 4),
              static_cast<DWORD>(KMXDEBUG_STATUS_ALLOC_FAILED));
    ASSERT_TRUE(
        service_->ArmFault("D1", kmx::kDebugCommandCode, Fault{FaultKind::WrongLength, 0, 1}));
    EXPECT_EQ(KMXDebug_Command(device_, 0, 0, 0x10, back, 4),
              static_cast<DWORD>(KMXDEBUG_STATUS_OPERATION_FAILED));
}

TEST_F(DebugInterface, DescriptorsWorkOnTheFirstCameraWithoutADevice) {
    BYTE descriptor[KMXDEBUG_DESCRIPTOR_SIZE] = {};
    ASSERT_EQ(KMXDebug_GetPropertyDescriptor(INVALID_HANDLE_VALUE, 0, descriptor), kSuccess);
    GUID set;
    memcpy(&set, descriptor, sizeof set);
    EXPECT_EQ(set.Data1, 0x2BBD8342u);
    EXPECT_EQ(KMXDebug_GetPropertyDescriptor(INVALID_HANDLE_VALUE, 0, nullptr),
              static_cast<DWORD>(KMXDEBUG_STATUS_BAD_PARAMETER));

    OpenFirst();
    ASSERT_EQ(KMXDebug_GetNotificationDescriptor(device_, 0, descriptor), kSuccess);
    memcpy(&set, descriptor, sizeof set);
    EXPECT_EQ(set.Data1, 0x00A242B0u);
    EXPECT_EQ(KMXDebug_GetNotificationDescriptor(device_, 1, descriptor),
              static_cast<DWORD>(KMXDEBUG_STATUS_BAD_PARAMETER));

    // The value of a property comes in the size its descriptor gives.
    ASSERT_EQ(KMXDebug_GetPropertyDescriptor(device_, 0, descriptor), kSuccess);
    DWORD size = 0;
    memcpy(&size, descriptor + 20, sizeof size);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> value(size);
    EXPECT_EQ(KMXDebug_GetPropertyInformation(device_, 0, value.data(), size), kSuccess);
    EXPECT_EQ(KMXDebug_GetPropertyInformation(device_, 0, value.data(), size - 1),
              static_cast<DWORD>(KMXDEBUG_STATUS_BUFFER_TOO_SMALL));
    EXPECT_EQ(KMXDebug_GetPropertyInformation(device_, 0, nullptr, 2),
              static_cast<DWORD>(KMXDEBUG_STATUS_BAD_PARAMETER));
}

TEST_F(DebugInterface, ThreadsShareADeviceAndOpenTheirOwn) {
    OpenFirst();
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (size_t t = 0; t < failures.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                DWORD id1 = 0, id2 = 0;
                WORD version = 0;
                if (KMXDebug_DeviceIDGet(device_, &id1, &id2) != kSuccess || id1 != kPantiltId1 ||
                    KMXDebug_GetVersion(&version, nullptr, nullptr, 0) != kSuccess ||
                    version != 0x0215)
                    ++failures[t];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
