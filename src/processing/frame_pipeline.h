// The frame pipeline: turns one camera frame into one client frame. It
// decodes the camera's "MJPG" frame through the codec library, which also
// flips or mirrors 24-bit RGB as the camera's library-side settings ask (or
// copies a frame the client takes as the camera sends it), rescales the
// decoded image to the client's size through the scaler plug-in when the
// camera runs at another size, and hands the finished frame to the
// transform plug-in.
//
// Failures on the frame path are recorded in the user-mode error mask only:
// the codec library missing (bit 1), a frame the codec refused (16), a frame
// or buffer of the wrong size (32), the scaler plug-in missing or incomplete
// (64).
#pragma once

#include <windows.h>

#include <kmxrecords/camera_commands.h>

#include "device/camera_connection.h"
#include "processing/pipeline_state.h"

namespace kmx {

// Sets STATE up to produce CLIENT frames from frames of CAMERA format (as
// MapClientToCameraFormat chose it) on CONNECTION's camera. 1 on success; 0
// on failure, with STATE released and zero again.
int PipelineOpen(CameraConnection& connection, PipelineState& state, const FormatRecord& client,
                 const FormatRecord& camera);

// Turns the camera frame (LENGTH bytes at FRAME) into a client frame in the
// CAPACITY bytes at BUFFER. The bytes of the client frame produced, else 0:
// a frame passed through is as long as it came (a compressed frame is
// shorter than the buffer, and the rest of the buffer is no part of it); a
// decoded one fills the buffer. The frame path allocates nothing.
DWORD PipelineProcess(PipelineState& state, DWORD length, const BYTE* frame, DWORD capacity,
                      BYTE* buffer);

// Releases everything the pipeline holds; STATE is zero again. Harmless on a
// zeroed state.
void PipelineClose(PipelineState& state);

}  // namespace kmx
