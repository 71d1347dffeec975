// What the capture driver's tests share: the camera service embedded in the
// test process, cameras listed under known connection ids, and a capture
// client that reaches the library as applications do, through OpenDriver
// and SendDriverMessage to the linking driver.
#pragma once

#include <windows.h>
#include <msviddrv.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include "camera_service.h"

#include <memory>
#include <string>
#include <vector>

namespace kmxcapturetest {

inline constexpr DWORD kPantiltIdentity1 = 0x05120001, kPantiltIdentity2 = 0x00010215;
inline constexpr DWORD kCompactIdentity1 = 0x05120002, kCompactIdentity2 = 0x00010215;

// Installs the linking driver under ALIAS with CONFIGURATION after its
// module name ("" for none).
void InstallAlias(const char* alias, const std::string& configuration);

class CaptureTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Plugs a camera of PROFILE with SERIAL and lists it; its connection id.
    DWORD Plug(const std::string& profile, const std::string& serial);
    // What the camera SERIAL was told to do.
    std::vector<std::string> Activity(const std::string& serial);
    void ArmStatus(const std::string& serial, DWORD code, BYTE status);

    std::unique_ptr<kmxcam::CameraService> service_;
};

// One open channel of a capture client.
class Channel {
  public:
    // Opens the channel of TYPE (VIDEO_IN, VIDEO_EXTERNALIN) on DRIVER (an
    // alias or the linking driver's module name).
    Channel(const char16_t* driver, DWORD type);
    ~Channel() { Close(); }
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    bool IsOpen() const { return handle_ != nullptr; }
    // dwError of the open.
    DWORD Error() const { return error_; }
    LRESULT Send(UINT message, LPARAM lParam1, LPARAM lParam2);
    // DVM_FORMAT with FLAGS on HEADER, announced as SIZE bytes; *ANSWER gets
    // lpdwReturn.
    LRESULT Format(DWORD flags, BITMAPINFOHEADER* header, DWORD size = sizeof(BITMAPINFOHEADER),
                   DWORD* answer = nullptr);
    // CloseDriver: whether the channel's handle was open.
    bool Close();

  private:
    HDRVR handle_ = nullptr;
    DWORD error_ = 0;
};

}  // namespace kmxcapturetest
