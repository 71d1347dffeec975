// A camera connection: the camera's connection id, a device handle on its
// connection path and the stream word the driver gave when the stream was
// opened. The capture driver and the frame pipeline send the streaming
// commands through it. Each command answers a command status; a status of
// 128 closes the device at once, so the connection then reads as gone.
#pragma once

#include <windows.h>

#include <kmxrecords/camera_commands.h>

namespace kmx {

struct CameraConnection {
    DWORD connection_id = 0;  // 0 when closed
    HANDLE device = INVALID_HANDLE_VALUE;
    DWORD stream = 0;  // 0 when no stream is open
};

// Opens the camera listed under ID (with SCAN: the first that opens from ID
// on, 0 taken as 1) and checks the driver's interface version. 0 on success;
// 1 when no camera opened; 130 when the driver speaks another version; else
// the failed command's status. On failure the connection is left closed.
BYTE ConnectionOpen(CameraConnection& connection, DWORD id, bool scan);
void ConnectionClose(CameraConnection& connection);

// The camera's identity words; each out value is optional. 129 on a closed
// connection.
BYTE ConnectionIdentity(CameraConnection& connection, DWORD* connection_id, DWORD* identity1,
                        DWORD* identity2);

// Opens the camera's stream in FORMAT and keeps its stream word; answers 0
// and sends nothing while a stream word is held.
BYTE StartCameraStream(CameraConnection& connection, const FormatRecord& format);
// Closes the stream; the stream word is kept when that fails.
BYTE StopCameraStream(CameraConnection& connection);

BYTE GetMode(CameraConnection& connection, DWORD* mode);
BYTE SetMode(CameraConnection& connection, DWORD mode);
// The descriptor of the mode at INDEX; on failure *DESCRIPTOR holds zeros and
// the index.
BYTE GetModeDescriptor(CameraConnection& connection, WORD index, FormatDescriptor* descriptor);
BYTE CheckFormat(CameraConnection& connection, const FormatRecord& format);
BYTE SetFormat(CameraConnection& connection, const FormatRecord& format);

}  // namespace kmx
