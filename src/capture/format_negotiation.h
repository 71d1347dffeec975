// Video format negotiation: the client formats a camera offers, the
// answers to DVM_FORMAT, and applying a new client format to the camera,
// the frame pipeline and the frame buffer of a device record. Camera
// command failures come out as DV_ERR_NONSPECIFIC, a format the camera
// refuses as DV_ERR_NOTSUPPORTED.
#pragma once

#include <windows.h>
#include <msviddrv.h>

#include <kmxrecords/camera_commands.h>

#include <memory>

#include "capture/capture_device.h"

namespace kmx {

// The client formats of the camera: for each of its "MJPG" modes the
// formats the pipeline derives from it (RGB 24, RGB 16, "UYVY", "YUY2"),
// then its modes themselves. *COUNT is the capacity of FORMATS on the way in
// (FORMATS may hold fewer than all) and the number of formats on the way
// out. The first failing descriptor read ends it with its command status.
BYTE EnumerateFormats(CameraConnection& connection, DWORD* count, FormatDescriptor* formats);

// The index of the first of COUNT descriptors whose compression and bit
// count are FORMAT's and whose range and steps hold its size.
bool FindDescriptor(DWORD count, const FormatDescriptor* descriptors, const FormatRecord& format,
                    DWORD* index);

// DVM_FORMAT on the channel INSTANCE: FLAGS (VIDEO_CONFIGURE_*) with its
// parameter record, the record's lpData1 as a BITMAPINFOHEADER and its
// lpdwReturn.
DWORD ConfigureFormat(DWORD_PTR instance, DWORD flags, const VIDEOCONFIGPARMS* parameters,
                      BITMAPINFOHEADER* header, DWORD* answer);

// Whether NEW_CLIENT differs from CLIENT or needs another camera format
// than CAMERA.
bool FormatNeedsApply(CameraConnection& connection, const FormatRecord& client,
                      const FormatRecord& camera, const FormatRecord& new_client);

// Sets the camera to the format NEW_CLIENT is captured in and sets the
// pipeline and the frame buffer up for it; the camera comes back to the mode
// it was in. DV_ERR_OK, DV_ERR_NOTSUPPORTED when the camera refuses the
// format (nothing changed), DV_ERR_NONSPECIFIC when a later step fails: the
// steps done stay done and *CAMERA_FORMAT is zero (unknown).
DWORD ApplyFormat(CameraConnection& connection, PipelineState& pipeline,
                  const FormatRecord& new_client, FormatRecord* camera_format,
                  FrameBuffer* frame_buffer, DWORD* camera_mode);

// Moves RECORD to the camera listed under CONNECTION_ID, in the first of its
// formats; the old camera is closed once the new one streams. False, with
// RECORD unchanged, when the new camera cannot be opened and set up.
bool SwitchCamera(CaptureDevice& record, DWORD connection_id);

}  // namespace kmx
