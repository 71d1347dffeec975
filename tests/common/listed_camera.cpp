#include "common/listed_camera.h"

#include <gtest/gtest.h>

#include "device/camera_enumeration.h"

namespace kmxtest {

std::unique_ptr<kmxcam::CameraService> EmbeddedCameraService() {
    std::string error;
    std::optional<kmxcam::ProfileSet> profiles =
        kmxcam::LoadProfiles(kmxcam::DefaultProfilePath(), error);
    EXPECT_TRUE(profiles) << error;
    if (!profiles) return nullptr;
    return std::make_unique<kmxcam::CameraService>(std::move(*profiles));
}

DWORD PlugListedCamera(kmxcam::CameraService& service, const std::string& profile,
                       const std::string& serial) {
    std::string error;
    std::optional<std::string> path = service.Plug(profile, serial, error);
    EXPECT_TRUE(path) << error;
    if (!path) return 0;
    EXPECT_EQ(kmx::RegisterCamera(path->c_str()), 1);
    char stored[kmx::kCameraPathSize];
    for (DWORD id = 1; kmx::LookupCamera(stored, id); ++id)
        if (*path == stored) return id;
    ADD_FAILURE() << *path << " is not listed";
    return 0;
}

}  // namespace kmxtest
