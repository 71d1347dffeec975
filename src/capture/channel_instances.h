// The channels a Video for Windows client opens on a camera: the
// external-in channel (VIDEO_EXTERNALIN), through which it shows the Video
// Source dialog, and the capture channel (VIDEO_IN), through which it sets
// the format and captures. Both channels of a client share one device
// record and one camera connection; the instance id of a channel is the
// driver handle that came with its DRV_OPEN.
#pragma once

#include <windows.h>
#include <msviddrv.h>

#include <kmx512u/kmxvfw.h>

#include "capture/capture_device.h"

namespace kmx {

// DRV_OPEN: opens the channel that PARAMETERS->dwFlags names on a device
// record, with its camera when the record has none yet. The instance id
// (the driver handle), KMXVFW_CONFIGURATION_INSTANCE without open
// parameters, or 0 with the reason in PARAMETERS->dwError.
DWORD_PTR OpenChannel(HDRVR driver, VIDEO_OPEN_PARMS* parameters, const DriverLinkInfo* link,
                      LPCSTR driver_name);

// DRV_CLOSE: 1 when closed (and for the configuration-only instance), 0
// when no record holds INSTANCE or the camera did not close cleanly.
LRESULT CloseChannel(DWORD_PTR instance);

// DRV_CONFIGURE: 1 for a null record; else the Driver Information dialog
// for the record's identity words, 0 when it closed.
LRESULT ConfigureDriver(const DriverLinkInfo* configuration);

// DVM_DIALOG: the Video Format dialog on the capture channel, the Video
// Source dialog on the external channel, once the camera answers (or has
// been opened again).
DWORD ShowChannelDialog(DWORD_PTR instance, DWORD flags, HWND parent);

// What follows a Video Format dialog that returned FORMAT on the camera
// CONNECTION_ID: the record moves to that camera when it is another, then
// the format is applied. DV_ERR_OK with FORMAT as the client format, or the
// failure with the client format as it was.
DWORD ApplyDialogChoice(CaptureDevice& record, const FormatRecord& format, DWORD connection_id);

// Module end: ends the streams and closes the cameras of every record, and
// frees the records and the list's lock.
void CloseAllDevices();

}  // namespace kmx
