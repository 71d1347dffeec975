#include "capture/channel_instances.h"

#include <vfw.h>

#include <cstring>
#include <new>

#include "api/capture_lock.h"
#include "capture/camera_mode.h"
#include "capture/capture_camera.h"
#include "capture/device_list.h"
#include "capture/format_negotiation.h"
#include "capture/stream_operations.h"
#include "device/kernel_channel.h"
#include "ui/driver_information_dialog.h"
#include "ui/video_format_dialog.h"
#include "ui/video_source_sheet.h"

namespace kmx {
namespace {

// The first channel's part of an open: the camera, chosen by the capture
// lock or by the identity the link record asks for, and the linking
// driver's name. DV_ERR_OK or the reason for dwError.
DWORD OpenFirstChannel(CaptureDevice& record, const DriverLinkInfo* link, LPCSTR driver_name) {
    if (!link) return DV_ERR_NOMEM;
    record.connection.reset(new (std::nothrow) CameraConnection);
    if (!record.connection) return DV_ERR_NOMEM;
    DWORD locked1 = 0, locked2 = 0;
    record.connection_id = QueryVfWLock(&locked1, &locked2);
    bool any = link->identity1 == 0 && link->identity2 == 0;
    if (record.connection_id != 0 &&
        (any || (link->identity1 == locked1 && link->identity2 == locked2)))
        record.preselected = true;
    else
        record.connection_id = 0;
    if (!OpenCameraForCapture(record, link->identity1, link->identity2)) return DV_ERR_NOTDETECTED;
    record.requested_identity1 = link->identity1;
    record.requested_identity2 = link->identity2;
    if (!driver_name || link->name_length >= KMXVFW_DRIVER_NAME_LIMIT) {
        // Not left open for a channel that failed.
        CloseCamera(record);
        return DV_ERR_NONSPECIFIC;
    }
    strncpy(record.driver_name, driver_name, link->name_length);
    record.driver_name[link->name_length] = '\0';
    return DV_ERR_OK;
}

// The camera check of a dialog: does the camera answer its mode? When it
// does not, it is closed (once) and opened again. DV_ERR_OK, else
// DV_ERR_NOTDETECTED when it is gone or DV_ERR_NONSPECIFIC.
DWORD CheckCamera(CaptureDevice& record) {
    DWORD mode = 0;
    BYTE status = GetMode(*record.connection, &mode);
    if (status == kCommandSuccess) return DV_ERR_OK;
    DWORD failure = status == kCommandDeviceGone ? DV_ERR_NOTDETECTED : DV_ERR_NONSPECIFIC;
    if (!record.needs_reopen) {
        StopCamera(record);
        record.needs_reopen = true;
    }
    if (!ReopenCamera(record)) return failure;
    record.needs_reopen = false;
    return DV_ERR_OK;
}

void CloseDevice(CaptureDevice* record) {
    EndDeviceStream(*record);
    if (record->connection) CloseCamera(*record);
    delete record;
}

}  // namespace

DWORD_PTR OpenChannel(HDRVR driver, VIDEO_OPEN_PARMS* parameters, const DriverLinkInfo* link,
                      LPCSTR driver_name) {
    if (!parameters) return KMXVFW_CONFIGURATION_INSTANCE;
    parameters->dwError = DV_ERR_OK;
    auto instance = reinterpret_cast<DWORD_PTR>(driver);
    CaptureDevice* record = nullptr;
    bool created = false;
    switch (ClaimChannel(instance, parameters->dwFlags, &record, &created)) {
        case ChannelClaim::kClaimed:
            break;
        case ChannelClaim::kNoMemory:
            parameters->dwError = DV_ERR_NOMEM;
            return 0;
        case ChannelClaim::kBadType:
            parameters->dwError = DV_ERR_NOTDETECTED;
            return 0;
        case ChannelClaim::kSlotTaken:
            parameters->dwError = DV_ERR_ALLOCATED;
            return 0;
    }
    if (!record->connection) {
        DWORD error = OpenFirstChannel(*record, link, driver_name);
        if (error != DV_ERR_OK) {
            // Only a new record lacks a camera; it was never listed.
            parameters->dwError = error;
            delete record;
            return 0;
        }
    }
    if (created) InsertDevice(record);
    return instance;
}

LRESULT CloseChannel(DWORD_PTR instance) {
    if (instance == KMXVFW_CONFIGURATION_INSTANCE) return 1;
    // A client that closes its capture channel without ending its stream
    // ends it here: nothing of it may outlive the channel.
    if (CaptureDevice* streaming = FindDevice(instance);
        streaming && streaming->capture_channel == instance)
        EndDeviceStream(*streaming);
    bool last = false;
    CaptureDevice* record = ReleaseChannel(instance, &last);
    if (!record) return 0;
    if (!last) return 1;
    // The record goes also when its camera does not close cleanly: the
    // camera is closed all the same, and nothing may keep the record.
    bool closed = !record->connection || CloseCamera(*record);
    delete record;
    return closed;
}

LRESULT ConfigureDriver(const DriverLinkInfo* configuration) {
    if (!configuration) return 1;
    ShowDriverInformationDialog(configuration->identity1, configuration->identity2);
    return 0;
}

DWORD ShowChannelDialog(DWORD_PTR instance, DWORD flags, HWND parent) {
    // Both channels have their dialog.
    if (flags & VIDEO_DLG_QUERY) return DV_ERR_OK;
    CaptureDevice* record = FindDevice(instance);
    if (!record || !record->connection) return DV_ERR_NONSPECIFIC;
    DWORD checked = CheckCamera(*record);
    if (checked != DV_ERR_OK) return checked;
    if (record->external_channel == instance) {
        // The pipeline flips and mirrors uncompressed 24-bit RGB only.
        bool rgb24 =
            record->client_format.compression == 0 && record->client_format.bits_per_pixel == 24;
        ui::ShowVideoSourceDialog(parent, *record->connection, rgb24);
        return DV_ERR_OK;
    }
    if (record->capture_channel != instance) return DV_ERR_NOTSUPPORTED;
    FormatRecord format = record->client_format;
    DWORD connection_id = record->connection_id;
    if (!ShowVideoFormatDialog(parent, *record->connection, format, connection_id,
                               record->preselected ? TRUE : FALSE, record->requested_identity1,
                               record->requested_identity2))
        return DV_ERR_OK;
    return ApplyDialogChoice(*record, format, connection_id);
}

DWORD ApplyDialogChoice(CaptureDevice& record, const FormatRecord& format, DWORD connection_id) {
    if (connection_id != record.connection_id) {
        if (!SwitchCamera(record, connection_id)) return DV_ERR_NONSPECIFIC;
        record.connection_id = connection_id;
    } else if (!FormatNeedsApply(*record.connection, record.client_format, record.camera_format,
                                 format)) {
        record.client_format = format;
        return DV_ERR_OK;
    }
    DWORD applied = ApplyFormat(*record.connection, record.pipeline, format, &record.camera_format,
                                &record.frame_buffer, &record.camera_mode);
    if (applied == DV_ERR_OK) record.client_format = format;
    return applied;
}

void CloseAllDevices() {
    DrainDeviceList(CloseDevice);
}

}  // namespace kmx
