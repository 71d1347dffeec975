// A camera client for the tests: the service embedded in the test process
// and the records sent through the platform's DeviceIoControl only, as the
// library sends them.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "camera_records.h"
#include "jpeg_check.h"
#include "camera_service.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kmxcamtest {

using namespace kmxcam;

std::vector<std::string> ListedCameras();
HANDLE OpenCamera(const std::string& path, const std::string& suffix = kConnectSuffix);

// Sends RECORD as input and output; its status byte, or nullopt when the
// call itself failed. BYTES gets the reply's length.
std::optional<uint8_t> Send(HANDLE device, DWORD code, std::vector<BYTE>& record,
                            DWORD* bytes = nullptr);

// A connection command with a payload; the reply record in OUT.
std::optional<uint8_t> SendConnection(HANDLE device, DWORD code, ConnectionRecord& record);
ConnectionRecord ConnectionWith(uint32_t stream, const void* payload = nullptr, size_t length = 0);
FormatRecord Format(uint16_t width, uint16_t height, uint32_t compression, uint8_t bits,
                    uint32_t timing = 0);

// An interface command: header, then VALUE as payload (replaced by the reply's).
std::optional<uint8_t> SendInterface(HANDLE device, DWORD code, const GUID& set, uint32_t id,
                                     std::vector<BYTE>& value, uint32_t length_word);
std::optional<uint8_t> SendDebug(HANDLE device, DWORD code, uint32_t (&words)[3],
                                 std::vector<BYTE>& data);

// One overlapped read frame request with its own event and buffer.
struct FrameRead {
    FrameRead(uint32_t stream, uint32_t capacity);
    ~FrameRead();
    bool Start(HANDLE device);
    // Waits for completion; false when the request failed.
    bool Finish(HANDLE device, DWORD timeout_ms = 20000);
    uint8_t Status() const { return record[0]; }
    ReadFrameHeader Header() const;
    std::vector<BYTE> Data() const;
    std::vector<BYTE> record;
    OVERLAPPED overlapped{};
    DWORD bytes = 0;
};

// The service with one camera of PROFILE plugged, and a client handle on it.
class CameraTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    std::string Plug(const std::string& profile, const std::string& serial);
    // Opens a stream on the client's device in the mode's default format
    // and puts the camera into streaming mode; the stream word.
    uint32_t StartStreaming(HANDLE device, const FormatRecord& format);

    std::unique_ptr<CameraService> service_;
    std::string path_;
    HANDLE device_ = INVALID_HANDLE_VALUE;
};

}  // namespace kmxcamtest
