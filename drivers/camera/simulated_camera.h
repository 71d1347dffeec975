// One simulated camera: its identity, current mode and format, the stream
// that one client may hold, the property values all clients share, the
// events clients registered for notifications, and the frame clock that
// answers read requests with freshly made frames at the frame period.
#pragma once

#include <kmxwin/device_service.h>

#include "camera_profile.h"
#include "camera_records.h"
#include "debug_unit.h"
#include "frame_synthesis.h"
#include "mjpeg_encoder.h"
#include "property_store.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace kmxcam {

class SimulatedCamera {
  public:
    SimulatedCamera(const CameraProfile& profile, std::string serial);
    ~SimulatedCamera();
    SimulatedCamera(const SimulatedCamera&) = delete;
    SimulatedCamera& operator=(const SimulatedCamera&) = delete;

    const CameraProfile& Profile() const { return profile_; }
    const std::string& Serial() const { return serial_; }

    // The commands; each answers a command status.
    uint8_t OpenStream(const kmxwin::DeviceConnection& client, const FormatRecord& format,
                       uint32_t& stream);
    uint8_t CloseStream(uint32_t stream);
    uint32_t Mode();
    uint8_t SetMode(uint32_t mode);
    uint8_t Descriptor(uint16_t index, FormatDescriptor& descriptor);
    uint8_t CheckFormat(const FormatRecord& format);
    uint8_t SetFormat(const FormatRecord& format);
    // Keeps a read frame request (header already checked) until the next
    // frame is due, or answers it at once when its stream is not open.
    void Read(std::unique_ptr<kmxwin::DeviceRequest> request, const ReadFrameHeader& header);
    uint8_t PropertyGet(const GUID& set, uint32_t id, std::span<uint8_t> value);
    uint8_t PropertySet(const GUID& set, uint32_t id, std::span<const uint8_t> value);
    uint8_t PropertyDefault(const GUID& set, uint32_t id);
    uint8_t NotificationSet(kmxwin::DeviceConnection& client, const GUID& set, uint32_t id,
                            uint32_t event);
    uint8_t NotificationClear(kmxwin::DeviceConnection& client, uint32_t event);
    uint8_t AbortCapture();
    uint8_t Debug(DWORD code, uint32_t (&words)[3], std::span<uint8_t> data);

    // A client went away: its stream closes, its reads and registrations go.
    void ClientClosed(const kmxwin::DeviceConnection& client);
    // A client cancelled its read ID: the read goes.
    void CancelRead(const kmxwin::DeviceConnection& client, uint64_t id);
    // The camera is being unplugged: every removal notification is signalled.
    void SignalRemoval();
    // The current property values, one "SET ID = VALUE" a line.
    std::string PropertiesText();

    // What the frame clock has done since the camera was plugged: the frames
    // the sensor made at the frame period while streaming, and the reads
    // answered with one of them. Those made while no read waited are lost.
    struct FrameCounters {
        uint64_t frames_produced = 0;
        uint64_t reads_completed = 0;
        // When the last of those reads was answered.
        std::chrono::steady_clock::time_point last_read_at{};
    };
    FrameCounters Counters();

  private:
    struct PendingRead {
        std::unique_ptr<kmxwin::DeviceRequest> request;
        ReadFrameHeader header;
    };
    struct Registration {
        kmxwin::DeviceConnection client;
        uint32_t event;
    };

    const ModeSpec* ModeFor(const FormatRecord& format) const;
    void TakeTiming(const FormatRecord& format, const ModeSpec& mode);
    PictureSettings Picture() const;
    // Closes the stream under the lock; the reads it held go to FAILED.
    void EndStream(std::vector<PendingRead>& failed);
    static void FailReads(std::vector<PendingRead>& reads);
    // Moves the reads of CLIENT (only read ID, when given) to TAKEN; called
    // with lock_ held.
    void TakeReads(const kmxwin::DeviceConnection& client, std::optional<uint64_t> id,
                   std::vector<PendingRead>& taken);
    void FrameClock();
    struct FrameJob;
    std::optional<FrameJob> NextJob(std::unique_lock<std::mutex>& lock);
    void Deliver(FrameJob& job);

    const CameraProfile profile_;
    const std::string serial_;

    std::mutex lock_;
    std::condition_variable changed_;
    PropertyStore properties_;
    DebugUnit debug_;
    uint32_t mode_ = 0;
    FormatRecord format_{};
    std::chrono::milliseconds period_;
    std::optional<kmxwin::DeviceConnection> stream_owner_;
    uint32_t stream_ = 0;
    uint32_t next_stream_ = 0x51A0;
    std::deque<PendingRead> reads_;
    std::vector<Registration> registrations_;
    uint32_t frame_number_ = 0;
    std::chrono::steady_clock::time_point next_frame_{};
    bool clock_running_ = false;  // the clock ticks while the camera streams
    FrameCounters counters_;
    bool stopping_ = false;
    // Only the frame clock's thread uses these.
    MjpegEncoder encoder_;
    FrameSynthesizer synthesizer_;
    YuvFrame picture_;
    std::vector<uint8_t> frame_;
    std::thread clock_;
};

}  // namespace kmxcam
