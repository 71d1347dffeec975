// The streaming engine's inner steps, shared by its files: finding a
// device's stream, the buffer queue, the camera reads and timers on the
// wait services, and the messages by which the linking driver calls the
// client back.
#pragma once

#include <windows.h>
#include <vfw.h>

#include "capture/capture_device.h"
#include "capture/stream_state.h"

namespace kmx {

// The stream of INSTANCE's record: DV_ERR_OK; DV_ERR_NONSPECIFIC when no
// record with a camera holds INSTANCE; DV_ERR_NOTSUPPORTED when it has no
// stream.
DWORD FindStream(DWORD_PTR instance, StreamState** stream);

// Opens the device's linking driver for callbacks and has it accept the
// stream (MM_DRVM_OPEN). False when it cannot be opened or refuses; nothing
// is left open then.
bool OpenLinkingDriver(StreamState& stream, const char* driver_name);
// Has it send MM_DRVM_CLOSE, and closes it.
void CloseLinkingDriver(StreamState& stream);
// Sends the private MESSAGE with PARAMETER as the callback parameter. The
// reply of the linking driver.
LRESULT NotifyClient(StreamState& stream, UINT message, DWORD_PTR parameter);

// The oldest queued header, taken off the queue (VHDR_INQUEUE cleared), or
// null.
VIDEOHDR* TakeQueuedHeader(StreamState& stream);
// Puts HEADER back at the head of the queue, unfilled.
void RequeueAtHead(StreamState& stream, VIDEOHDR* header);
// The address MM_DRVM_DATA names a queued or taken HEADER by: its 16:16
// address for a 16-bit client, else the header itself.
DWORD_PTR HeaderCallbackAddress(VIDEOHDR* header);

// Starts the three reads and, when all are in flight, the camera's
// streaming mode. False when one of them failed.
bool StartReads(StreamState& stream);
// Has the read service look for the lost camera of a stream that starts.
void StartLostCamera(StreamState& stream);
// Stops the stream's reads and timers: running is cleared, the reads in
// flight are cancelled, an armed retry fires at once, and this returns once
// every one of their completions has been handled on the read service.
void QuiesceStream(StreamState& stream);
// Arms the frame-skip timer for one frame period. False when it could not.
bool ArmSkipTimer(StreamState& stream);
// The wait services' callback for every context of a stream.
void OnStreamEvent(void* context, DWORD shutdown);

}  // namespace kmx
