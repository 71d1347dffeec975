// What the frame pipeline's tests share: the camera service and the
// library's module start (as the programming interface's tests have them),
// a connection to a simulated camera, and the pictures to send through.
#pragma once

#include "api/api_test_support.h"
#include "test_pictures.h"

#include "debug/debug_flags.h"
#include "device/camera_connection.h"
#include "device/kernel_channel.h"
#include "processing/camera_format_mapping.h"
#include "processing/client_formats.h"
#include "processing/frame_pipeline.h"
#include "support/registry_key.h"

#include <cstring>
#include <string>
#include <vector>

namespace kmxtest {

class PipelineTest : public kmxapitest::ApiTest {
  protected:
    // Plugs a camera of PROFILE and connects to it.
    void Connect(const std::string& profile) {
        DWORD id = Plug(profile, "P1");
        ASSERT_EQ(kmx::ConnectionOpen(connection_, id, false), kmx::kCommandSuccess);
    }
    void TearDown() override {
        kmx::PipelineClose(state_);
        kmx::ConnectionClose(connection_);
        ApiTest::TearDown();
    }

    static kmx::FormatRecord Client(uint16_t width, uint16_t height, DWORD compression, BYTE bits) {
        return {width, height, bits, {}, compression, DWORD(width) * height * bits / 8, 33};
    }

    // Opens a camera handle on a connection id.
    using ApiTest::Open;
    // Maps CLIENT as the capture driver does and opens the pipeline on it.
    int Open(const kmx::FormatRecord& client) {
        kmx::FormatRecord camera{};
        EXPECT_EQ(kmx::MapClientToCameraFormat(connection_, client, &camera), 0);
        camera_ = camera;
        return kmx::PipelineOpen(connection_, state_, client, camera);
    }

    // Runs FRAME through the pipeline into OUT: 1 when a client frame came.
    int Process(const std::vector<uint8_t>& frame, std::vector<BYTE>& out) {
        return Produce(frame, out) != 0;
    }
    // The same, answering the bytes of the client frame.
    DWORD Produce(const std::vector<uint8_t>& frame, std::vector<BYTE>& out) {
        return kmx::PipelineProcess(state_, DWORD(frame.size()), frame.data(), DWORD(out.size()),
                                    out.data());
    }

    // The error mask, which must read the same in memory and in the registry.
    static DWORD ErrorMask() {
        DWORD stored = 0;
        kmx::RegistryKey key(HKEY_LOCAL_MACHINE, kmx::kSettingsKeyPath, false, true);
        key.QueryDword("DebugUserModeErr", &stored);
        EXPECT_EQ(stored, kmx::CurrentDebugFlags().user_mode_err);
        return stored;
    }

    kmx::CameraConnection connection_;
    kmx::PipelineState state_{};
    kmx::FormatRecord camera_{};
};

}  // namespace kmxtest
