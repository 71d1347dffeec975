#include "capture/capture_camera.h"

#include "capture/camera_mode.h"
#include "capture/format_negotiation.h"
#include "device/kernel_channel.h"
#include "processing/camera_format_mapping.h"
#include "processing/frame_pipeline.h"

namespace kmx {
namespace {

enum class Take { kTaken, kUnusable, kFailed };

// The camera opened just now on RECORD's connection as the record's camera.
// A camera whose stream does not start is unusable (a search goes on with
// the next); one whose frames cannot be prepared fails the open.
Take TakeCamera(CaptureDevice& record) {
    FormatRecord client{}, camera{};
    if (!StartFirstFormat(*record.connection, &client, &camera)) return Take::kUnusable;
    FrameBuffer buffer;
    PipelineState pipeline{};
    if (!PrepareFrames(*record.connection, client, camera, &buffer, &pipeline)) {
        StopCameraStream(*record.connection);
        return Take::kFailed;
    }
    record.connection_id = record.connection->connection_id;
    record.frame_buffer = std::move(buffer);
    record.pipeline = pipeline;
    record.client_format = client;
    record.camera_format = camera;
    return Take::kTaken;
}

}  // namespace

bool StartFirstFormat(CameraConnection& connection, FormatRecord* client, FormatRecord* camera) {
    DWORD count = 1;
    FormatDescriptor first{};
    if (EnumerateFormats(connection, &count, &first) != kCommandSuccess || count == 0) return false;
    MapClientToCameraFormat(connection, first.format, camera);
    if (StartCameraStream(connection, *camera) != kCommandSuccess) return false;
    *client = first.format;
    return true;
}

bool PrepareFrames(CameraConnection& connection, const FormatRecord& client,
                   const FormatRecord& camera, FrameBuffer* buffer, PipelineState* pipeline) {
    FrameRequest* block = nullptr;
    if (FrameRequestCreate(connection, &block, camera.image_size) != kCommandSuccess) return false;
    FrameBuffer held(block);
    *pipeline = {};
    if (!PipelineOpen(connection, *pipeline, client, camera)) return false;
    *buffer = std::move(held);
    return true;
}

bool OpenCameraForCapture(CaptureDevice& record, DWORD identity1, DWORD identity2) {
    CameraConnection& connection = *record.connection;
    if (record.connection_id != 0) {
        // The locked camera, or none.
        if (ConnectionOpen(connection, record.connection_id, false) != kCommandSuccess)
            return false;
        if (TakeCamera(record) == Take::kTaken) return true;
        ConnectionClose(connection);
        return false;
    }
    for (DWORD next = 1;;) {
        if (ConnectionOpen(connection, next, true) != kCommandSuccess) return false;
        DWORD found = 0, word1 = 0, word2 = 0;
        if (ConnectionIdentity(connection, &found, &word1, &word2) != kCommandSuccess) {
            ConnectionClose(connection);
            return false;
        }
        bool wanted =
            (identity1 == 0 && identity2 == 0) || (word1 == identity1 && word2 == identity2);
        Take taken = wanted ? TakeCamera(record) : Take::kUnusable;
        if (taken == Take::kTaken) return true;
        ConnectionClose(connection);
        if (taken == Take::kFailed) return false;
        next = found + 1;
    }
}

bool StopCamera(CaptureDevice& record) {
    CameraConnection& connection = *record.connection;
    bool idle = SetCameraMode(connection, &record.camera_mode, kCameraIdle);
    bool stopped = StopCameraStream(connection) == kCommandSuccess;
    ConnectionClose(connection);
    return idle && stopped;
}

bool CloseCamera(CaptureDevice& record) {
    bool closed = StopCamera(record);
    record.frame_buffer.reset();
    PipelineClose(record.pipeline);
    return closed;
}

bool ReopenCamera(CaptureDevice& record) {
    return ReopenCamera(*record.connection, record.connection_id, record.camera_format);
}

bool ReopenCamera(CameraConnection& connection, DWORD connection_id, const FormatRecord& format) {
    if (connection_id == 0) return false;
    if (ConnectionOpen(connection, connection_id, false) != kCommandSuccess) return false;
    if (StartCameraStream(connection, format) == kCommandSuccess) return true;
    ConnectionClose(connection);
    return false;
}

}  // namespace kmx
