#include "capture/capture_test_support.h"

#include <kmx512u/kmxvfw.h>
#include <kmxwin/driver_registry.h>

#include "common/listed_camera.h"

namespace kmxcapturetest {

void InstallAlias(const char* alias, const std::string& configuration) {
    std::string value = KMXVFW32_LINKING_DRIVER;
    if (!configuration.empty()) value += " " + configuration;
    std::string path = std::string(KMXWIN_DRIVERS_KEY) + "\\" + KMXWIN_DRIVERS32_SECTION;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, alias, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void CaptureTest::SetUp() {
    std::string error;
    std::optional<kmxcam::ProfileSet> profiles =
        kmxcam::LoadProfiles(kmxcam::DefaultProfilePath(), error);
    ASSERT_TRUE(profiles) << error;
    service_ = std::make_unique<kmxcam::CameraService>(std::move(*profiles));
}

void CaptureTest::TearDown() {
    service_.reset();
}

DWORD CaptureTest::Plug(const std::string& profile, const std::string& serial) {
    return kmxtest::PlugListedCamera(*service_, profile, serial);
}

std::vector<std::string> CaptureTest::Activity(const std::string& serial) {
    return service_->Activity(serial).value_or(std::vector<std::string>{"<no camera>"});
}

void CaptureTest::ArmStatus(const std::string& serial, DWORD code, BYTE status) {
    kmxcam::Fault fault;
    fault.status = status;
    fault.count = 1;
    EXPECT_TRUE(service_->ArmFault(serial, code, fault));
}

Channel::Channel(const char16_t* driver, DWORD type) {
    VIDEO_OPEN_PARMS parameters{};
    parameters.dwSize = sizeof parameters;
    parameters.fccType = mmioFOURCC('v', 'c', 'a', 'p');
    parameters.dwFlags = type;
    parameters.dwError = 0xDEAD;
    handle_ = OpenDriver(driver, nullptr, reinterpret_cast<LPARAM>(&parameters));
    error_ = parameters.dwError;
}

LRESULT Channel::Send(UINT message, LPARAM lParam1, LPARAM lParam2) {
    return SendDriverMessage(handle_, message, lParam1, lParam2);
}

LRESULT Channel::Format(DWORD flags, BITMAPINFOHEADER* header, DWORD size, DWORD* answer) {
    VIDEOCONFIGPARMS parameters{};
    DWORD returned = 0;
    parameters.lpdwReturn = &returned;
    parameters.lpData1 = header;
    parameters.dwSize1 = size;
    LRESULT result = Send(DVM_FORMAT, flags, reinterpret_cast<LPARAM>(&parameters));
    if (answer) *answer = returned;
    return result;
}

bool Channel::Close() {
    HDRVR handle = std::exchange(handle_, nullptr);
    return handle && CloseDriver(handle, 0, 0);
}

}  // namespace kmxcapturetest
