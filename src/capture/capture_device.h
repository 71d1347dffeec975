// The capture driver's record of one opened camera: the two channels a
// client opens on it, the camera connection, the client's format and the
// camera's, the frame pipeline between them and the stream's state. One
// record per camera in use, kept in the process's device list.
#pragma once

#include <windows.h>

#include <kmx512u/kmxvfw.h>
#include <kmxrecords/camera_commands.h>

#include <memory>

#include "device/camera_connection.h"
#include "device/frame_request.h"
#include "processing/pipeline_state.h"

namespace kmx {

struct StreamState;
// Frees a stream state that has been ended.
struct StreamStateDeleter {
    void operator()(StreamState* stream) const;
};

// Frees a frame request block that has no read in flight.
struct FrameRequestDeleter {
    void operator()(FrameRequest* block) const { FrameRequestDelete(block); }
};
using FrameBuffer = std::unique_ptr<FrameRequest, FrameRequestDeleter>;

struct CaptureDevice {
    // Instance ids (the driver handles of DRV_OPEN) of the open channels;
    // 0 while a channel is free.
    DWORD_PTR external_channel = 0;  // VIDEO_EXTERNALIN
    DWORD_PTR capture_channel = 0;   // VIDEO_IN
    FormatRecord client_format{};    // what the capture channel delivers
    // The camera identity asked for by the first open's link record.
    DWORD requested_identity1 = 0;
    DWORD requested_identity2 = 0;
    // The linking driver's name, under which a stream opens it again to have
    // its callbacks delivered.
    char driver_name[KMXVFW_DRIVER_NAME_LIMIT] = {};
    CaptureDevice* next = nullptr;
    CaptureDevice* previous = nullptr;
    // The camera was taken because the capture lock named it.
    bool preselected = false;
    std::unique_ptr<CameraConnection> connection;  // null until the camera is open
    FrameBuffer frame_buffer;                      // one camera frame, for single grabs
    DWORD connection_id = 0;                       // 0 before a camera is chosen
    FormatRecord camera_format{};                  // what the camera itself is set to
    PipelineState pipeline{};                      // camera frames to client frames
    // The camera was lost and its connection closed; the next grab or dialog
    // opens it again.
    bool needs_reopen = false;
    // From DVM_STREAM_INIT until DVM_STREAM_FINI; null while no stream is
    // initialised.
    std::unique_ptr<StreamState, StreamStateDeleter> stream;
    DWORD camera_mode = 0;  // the last mode set: 0 idle, 1 ready, 2 streaming
};

}  // namespace kmx
