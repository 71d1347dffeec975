// A frame request block: one overlapped read frame request on a camera
// connection, with its own OVERLAPPED and event, and the read record (header
// and frame buffer) in the same allocation. The capture driver keeps a few
// of them in flight: start one, wait on its event, take its status and data,
// start it again.
#pragma once

#include <windows.h>

#include "device/camera_connection.h"

namespace kmx {

struct FrameRequest {
    CameraConnection* connection;  // borrowed; must outlive the block
    OVERLAPPED overlapped;         // its event is the block's own, manual reset
    DWORD capacity;                // bytes of frame data the record takes
    volatile LONG in_flight;       // set while a started read may be pending
    // The read record (ReadFrameHeader, then CAPACITY bytes) follows.
};

// 0 and a new block in *BLOCK, or 6 when its memory or event cannot be had
// (also for a capacity no record can carry).
BYTE FrameRequestCreate(CameraConnection& connection, FrameRequest** block, DWORD capacity);

// Starts a read of the connection's stream: 0 when started; 128 closes the
// connection's device.
BYTE FrameRequestStart(FrameRequest* block);

// 131 while pending (*DELIVERED 0); 128 when the read failed; 2 when the
// reply does not hold the frame bytes it claims; else the driver's status
// and, in *DELIVERED, the frame bytes it delivered.
BYTE FrameRequestStatus(FrameRequest* block, DWORD* delivered);
// The same status, with the frame data in *DATA.
BYTE FrameRequestData(FrameRequest* block, const BYTE** data);

// The block's OVERLAPPED, whose event is signalled when the read completes.
OVERLAPPED* FrameRequestEvent(FrameRequest* block);

// 131, freeing nothing, while the block's read is still pending (close the
// connection's device or wait first); else frees the block: 0.
BYTE FrameRequestDelete(FrameRequest* block);

}  // namespace kmx
