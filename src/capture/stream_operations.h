// The capture channel's stream messages and DVM_FRAME: frames from the
// camera into the client's buffers. Every operation takes the instance id
// first; an id that no device record holds, or a record without a camera,
// answers DV_ERR_NONSPECIFIC, and the buffer and control operations answer
// DV_ERR_NOTSUPPORTED while no stream is initialised.
#pragma once

#include <windows.h>
#include <msviddrv.h>
#include <vfw.h>

#include <kmx512u/kmxvfw.h>

#include "capture/capture_device.h"

namespace kmx {

// DVM_STREAM_INIT: sets the camera to the client's frame period, starts the
// stream's services and timers, opens the linking driver and has it send
// MM_DRVM_OPEN. CALLBACK is the dispatcher's record (CALLBACK16 its 16:16
// address or 0); *EXTERNAL is set on the external channel, where nothing is
// done. 0, 1, 17, 18 or 19 (already initialised).
DWORD InitStream(DWORD_PTR instance, const VIDEO_STREAM_INIT_PARMS* parameters,
                 StreamCallbackRecord* callback, DWORD callback16, bool* external);

// DVM_STREAM_FINI: stops the stream if it runs, puts the camera's format
// back, tears the stream down and has MM_DRVM_CLOSE sent; hands the
// callback record back for the dispatcher to free. 0, or 1 when the camera
// did not take its format back (the stream is gone all the same).
DWORD EndStream(DWORD_PTR instance, StreamCallbackRecord** callback, DWORD* callback16,
                bool* external);

// Ends RECORD's stream, if it has one, as its capture channel or the module
// closes, and frees the callback record.
void EndDeviceStream(CaptureDevice& record);

DWORD PrepareStreamHeader(DWORD_PTR instance, VIDEOHDR* header, BYTE* data,
                          DWORD_PTR callback_address);
DWORD UnprepareStreamHeader(DWORD_PTR instance, VIDEOHDR* header);
DWORD AddStreamBuffer(DWORD_PTR instance, VIDEOHDR* header);
DWORD StartStream(DWORD_PTR instance);
DWORD StopStream(DWORD_PTR instance);
// Hands every queued buffer back unfilled, each with MM_DRVM_DATA.
DWORD ResetStream(DWORD_PTR instance);
DWORD GetStreamError(DWORD_PTR instance, DWORD* error, DWORD* skipped);

// DVM_FRAME: one frame into HEADER's DATA, outside a stream. 0, 1, 7
// (camera gone) or 17 (not the capture channel).
DWORD GrabFrame(DWORD_PTR instance, VIDEOHDR* header, BYTE* data);

}  // namespace kmx
