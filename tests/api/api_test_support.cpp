#include "api/api_test_support.h"

#include "capture/module_lifecycle.h"
#include "common/listed_camera.h"

namespace kmxapitest {

std::string LibraryPath() {
    return kmxtest::ProgramPath("../lib/libkmx512u.so");
}

void ApiTest::SetUp() {
    service_ = kmxtest::EmbeddedCameraService();
    ASSERT_TRUE(service_);
    ASSERT_TRUE(kmx::DriverAppStart());
    started_ = true;
}

void ApiTest::TearDown() {
    if (started_) kmx::DriverAppExit();
    service_.reset();
}

DWORD ApiTest::Plug(const std::string& profile, const std::string& serial) {
    return kmxtest::PlugListedCamera(*service_, profile, serial);
}

void ApiTest::Unplug(const std::string& serial) {
    EXPECT_TRUE(service_->Unplug(serial));
}

void ApiTest::ArmStatus(const std::string& serial, DWORD code, BYTE status) {
    kmxcam::Fault fault;
    fault.status = status;
    fault.count = 1;
    EXPECT_TRUE(service_->ArmFault(serial, code, fault));
}

KMXPI_HANDLE ApiTest::Open(DWORD id) {
    KMXPI_HANDLE handle = nullptr;
    EXPECT_EQ(KMXPI_HandleOpen(id, &handle), KMXPI_STATUS_SUCCESS);
    return handle;
}

std::string ApiPeer::Ask(const std::string& command) {
    process_.WriteLine(command);
    return process_.ReadLine().value_or("");
}

}  // namespace kmxapitest
