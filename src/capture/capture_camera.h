// The camera of a capture device: opening it for capture (the locked camera
// or the first that matches the identity asked for), closing it, opening it
// again after it was lost, and the two steps that every camera the capture
// driver takes goes through: start its stream in its first format, then set
// up the frame buffer and the pipeline for it.
#pragma once

#include <windows.h>

#include "capture/capture_device.h"

namespace kmx {

// Reads the first of the camera's formats (the default client format),
// maps it to its camera format and opens the camera's stream in that.
bool StartFirstFormat(CameraConnection& connection, FormatRecord* client, FormatRecord* camera);

// A frame buffer for one CAMERA frame and a pipeline from CAMERA to CLIENT
// frames; on failure neither is kept.
bool PrepareFrames(CameraConnection& connection, const FormatRecord& client,
                   const FormatRecord& camera, FrameBuffer* buffer, PipelineState* pipeline);

// Opens RECORD's camera on its connection: the camera RECORD's connection id
// names (a locked camera), else the first that answers from id 1 on whose
// identity matches IDENTITY1 and IDENTITY2 (both 0: any). On success the
// record holds the connection id, the camera's first format as client
// format, its camera format, frame buffer and pipeline.
bool OpenCameraForCapture(CaptureDevice& record, DWORD identity1, DWORD identity2);

// Idles the camera, closes its stream and the connection. True when the
// mode and the stream close succeeded; the connection is closed in any
// case.
bool StopCamera(CaptureDevice& record);

// StopCamera, then frees the frame buffer and releases the pipeline.
bool CloseCamera(CaptureDevice& record);

// Opens the lost camera again on the stored connection id, without
// scanning, and its stream in the stored camera format.
bool ReopenCamera(CaptureDevice& record);
// The same for CONNECTION, on CONNECTION_ID, with its stream in FORMAT.
bool ReopenCamera(CameraConnection& connection, DWORD connection_id, const FormatRecord& format);

}  // namespace kmx
