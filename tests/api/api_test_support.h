// What the programming interface's tests share: the camera service embedded
// in the test process and the library's module start run as the module's
// entry point runs it, and a second process that uses the interface.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>
#include <kmx512u/kmxpi.h>

#include "camera_service.h"
#include "common/test_environment.h"

#include <memory>
#include <string>

namespace kmxapitest {

// An export of a loaded library. Through void*: the system's generic
// function type does not convert straight to ours.
template <class Function>
Function* ExportOf(HMODULE library, const char* name) {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The library itself, as programs load it.
std::string LibraryPath();

class ApiTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Plugs a camera of PROFILE with SERIAL and lists it; its connection id.
    DWORD Plug(const std::string& profile, const std::string& serial);
    void Unplug(const std::string& serial);
    // Arms a fault on the camera SERIAL for the next request of CODE.
    void ArmStatus(const std::string& serial, DWORD code, BYTE status);
    // An open handle on connection ID (the test fails when none opens).
    KMXPI_HANDLE Open(DWORD id);

    std::unique_ptr<kmxcam::CameraService> service_;
    bool started_ = false;
};

// The api_peer program: each command line answers one line, "status N" for
// the interface calls.
class ApiPeer {
  public:
    ApiPeer() : process_(kmxtest::ProgramPath("api_peer"), {}) {}
    // Sends COMMAND and returns the answer ("" when none came).
    std::string Ask(const std::string& command);
    kmxtest::ChildProcess& Process() { return process_; }

  private:
    kmxtest::ChildProcess process_;
};

}  // namespace kmxapitest
