#include "capture/format_negotiation.h"

#include <vfw.h>

#include <new>

#include "capture/camera_mode.h"
#include "capture/capture_camera.h"
#include "capture/device_list.h"
#include "capture/video_sizes.h"
#include "device/kernel_channel.h"
#include "processing/camera_format_mapping.h"
#include "processing/client_formats.h"
#include "processing/frame_pipeline.h"

namespace kmx {
namespace {

constexpr DWORD kHeaderSize = sizeof(BITMAPINFOHEADER);

// The flag combinations DVM_FORMAT answers.
constexpr DWORD kQuerySize = VIDEO_CONFIGURE_QUERYSIZE;
constexpr DWORD kGetQuerySize = VIDEO_CONFIGURE_GET | VIDEO_CONFIGURE_QUERYSIZE;
constexpr DWORD kQuery = VIDEO_CONFIGURE_QUERY;
constexpr DWORD kQuerySet = VIDEO_CONFIGURE_QUERY | VIDEO_CONFIGURE_SET;
constexpr DWORD kQueryGet = VIDEO_CONFIGURE_QUERY | VIDEO_CONFIGURE_GET;
constexpr DWORD kSet = VIDEO_CONFIGURE_SET;
constexpr DWORD kGet = VIDEO_CONFIGURE_GET;
constexpr DWORD kGetCurrent = VIDEO_CONFIGURE_GET | VIDEO_CONFIGURE_CURRENT;

bool SameFormat(const FormatRecord& a, const FormatRecord& b) {
    return a.width == b.width && a.height == b.height && a.bits_per_pixel == b.bits_per_pixel &&
           a.compression == b.compression && a.image_size == b.image_size && a.timing == b.timing;
}

// Puts FORMAT at *POSITION when that lies below CAPACITY; counts it in any
// case.
void Place(const FormatDescriptor& format, DWORD capacity, FormatDescriptor* formats,
           DWORD* position) {
    if (*position < capacity) formats[*position] = format;
    ++*position;
}

DWORD SetFormatFromHeader(CaptureDevice& record, const VIDEOCONFIGPARMS& parameters,
                          const BITMAPINFOHEADER& header) {
    if (record.stream) return DV_ERR_STILLPLAYING;
    if (parameters.dwSize1 < kHeaderSize) return DV_ERR_SIZEFIELD;
    FormatRecord format = record.client_format;  // keeps the frame period
    format.width = LOWORD(header.biWidth);
    format.height = LOWORD(header.biHeight);
    format.bits_per_pixel = LOBYTE(header.biBitCount);
    format.compression = header.biCompression;
    format.image_size = header.biSizeImage;
    if (FormatNeedsApply(*record.connection, record.client_format, record.camera_format, format)) {
        DWORD applied =
            ApplyFormat(*record.connection, record.pipeline, format, &record.camera_format,
                        &record.frame_buffer, &record.camera_mode);
        if (applied != DV_ERR_OK) return applied;
    }
    record.client_format = format;
    return DV_ERR_OK;
}

DWORD GetFormatIntoHeader(const CaptureDevice& record, const VIDEOCONFIGPARMS& parameters,
                          BITMAPINFOHEADER* header) {
    if (parameters.dwSize1 < kHeaderSize) return DV_ERR_SIZEFIELD;
    *header = BitmapHeaderOf(record.client_format);
    return DV_ERR_OK;
}

}  // namespace

BYTE EnumerateFormats(CameraConnection& connection, DWORD* count, FormatDescriptor* formats) {
    DWORD capacity = *count, position = 0;
    // The derived formats of every mode first, then the modes themselves.
    for (bool derived : {true, false}) {
        for (DWORD index = 0, modes = 1; index < modes; ++index) {
            FormatDescriptor mode;
            BYTE status = GetModeDescriptor(connection, static_cast<WORD>(index), &mode);
            if (status != kCommandSuccess) return status;
            modes = mode.count;
            if (!derived) {
                Place(mode, capacity, formats, &position);
                continue;
            }
            FormatDescriptor format;
            for (int kind = 0; kind < kDerivedFormatCount && DeriveFormat(mode, kind, &format);
                 ++kind)
                Place(format, capacity, formats, &position);
        }
    }
    *count = position;
    return kCommandSuccess;
}

bool FindDescriptor(DWORD count, const FormatDescriptor* descriptors, const FormatRecord& format,
                    DWORD* index) {
    for (DWORD i = 0; i < count; ++i) {
        const FormatDescriptor& mode = descriptors[i];
        if (mode.format.compression == format.compression &&
            mode.format.bits_per_pixel == format.bits_per_pixel && format.width >= mode.min_width &&
            format.width <= mode.max_width && OnStep(format.width, mode.width_step) &&
            format.height >= mode.min_height && format.height <= mode.max_height &&
            OnStep(format.height, mode.height_step)) {
            *index = i;
            return true;
        }
    }
    return false;
}

DWORD ConfigureFormat(DWORD_PTR instance, DWORD flags, const VIDEOCONFIGPARMS* parameters,
                      BITMAPINFOHEADER* header, DWORD* answer) {
    CaptureDevice* record = FindDevice(instance);
    if (!record || !record->connection) return DV_ERR_NONSPECIFIC;
    switch (flags) {
        case kQuerySize:
        case kGetQuerySize:
            if (!answer) return DV_ERR_PARAM2;
            *answer = kHeaderSize;
            return DV_ERR_OK;
        case kQuery:
        case kQuerySet:
        case kQueryGet:
            return DV_ERR_OK;
        case kSet:
            if (!parameters || !header) return DV_ERR_PARAM2;
            return SetFormatFromHeader(*record, *parameters, *header);
        case kGet:
        case kGetCurrent:
            if (!parameters || !header) return DV_ERR_PARAM2;
            return GetFormatIntoHeader(*record, *parameters, header);
        default:
            return DV_ERR_NOTSUPPORTED;
    }
}

bool FormatNeedsApply(CameraConnection& connection, const FormatRecord& client,
                      const FormatRecord& camera, const FormatRecord& new_client) {
    FormatRecord mapped{};
    MapClientToCameraFormat(connection, new_client, &mapped);
    return !SameFormat(mapped, camera) || !SameFormat(new_client, client);
}

DWORD ApplyFormat(CameraConnection& connection, PipelineState& pipeline,
                  const FormatRecord& new_client, FormatRecord* camera_format,
                  FrameBuffer* frame_buffer, DWORD* camera_mode) {
    DWORD mode = *camera_mode;
    FormatRecord camera{};
    MapClientToCameraFormat(connection, new_client, &camera);
    if (CheckFormat(connection, camera) != kCommandSuccess) return DV_ERR_NOTSUPPORTED;
    // From here on the camera, the pipeline and the frame buffer change. A
    // step that fails leaves the camera's format unknown, so that the next
    // format set applies afresh instead of finding nothing to change.
    auto failed = [&] {
        *camera_format = {};
        return DV_ERR_NONSPECIFIC;
    };
    if (!SetCameraMode(connection, camera_mode, kCameraIdle) ||
        SetFormat(connection, camera) != kCommandSuccess)
        return failed();
    PipelineClose(pipeline);
    if (!PipelineOpen(connection, pipeline, new_client, camera)) return failed();
    frame_buffer->reset();
    FrameRequest* block = nullptr;
    if (FrameRequestCreate(connection, &block, camera.image_size) != kCommandSuccess)
        return failed();
    frame_buffer->reset(block);
    if (!SetCameraMode(connection, camera_mode, mode)) return failed();
    *camera_format = camera;
    return DV_ERR_OK;
}

bool SwitchCamera(CaptureDevice& record, DWORD connection_id) {
    if (connection_id == 0) return false;
    auto connection = std::unique_ptr<CameraConnection>(new (std::nothrow) CameraConnection);
    if (!connection || ConnectionOpen(*connection, connection_id, false) != kCommandSuccess)
        return false;
    FormatRecord client{}, camera{};
    if (!StartFirstFormat(*connection, &client, &camera)) {
        ConnectionClose(*connection);
        return false;
    }
    FrameBuffer buffer;
    PipelineState pipeline{};
    if (!PrepareFrames(*connection, client, camera, &buffer, &pipeline)) {
        StopCameraStream(*connection);
        ConnectionClose(*connection);
        return false;
    }
    // The new camera streams: the old one goes.
    CloseCamera(record);
    record.connection = std::move(connection);
    record.pipeline = pipeline;
    record.frame_buffer = std::move(buffer);
    record.client_format = client;
    record.camera_format = camera;
    return true;
}

}  // namespace kmx
