// Which camera format a client format is captured in. For 24-bit RGB the
// camera may be run at another of its native sizes and the picture scaled to
// the client's size, as the camera's size selection setting asks.
#pragma once

#include <windows.h>

#include <kmxrecords/camera_commands.h>

#include "device/camera_connection.h"

namespace kmx {

// Size selection values (the camera's image set, id 0).
inline constexpr BYTE kSizeSelectionKeep = 0;     // capture at the requested size
inline constexpr BYTE kSizeSelectionSmaller = 1;  // scale from the next smaller native size
                                                  // (any other value: the next larger)

// The camera format for CLIENT in *CAMERA. Always 0: a camera that cannot be
// asked about its sizes gets the client's own size.
int MapClientToCameraFormat(CameraConnection& connection, const FormatRecord& client,
                            FormatRecord* camera);

}  // namespace kmx
