// The Video Source dialog: the camera's picture settings as a modal property
// sheet, its pages working on one camera handle opened for the time it shows.
#pragma once

#include <windows.h>

#include "device/camera_connection.h"

namespace kmx::ui {

// Shows the sheet owned by PARENT (may be null) on CONNECTION's camera and
// returns once it has closed. RGB24: the capture format is uncompressed
// 24-bit RGB, which the frame pipeline can flip and mirror. Nothing shows
// when the camera gives no connection id or no handle opens on it.
void ShowVideoSourceDialog(HWND parent, CameraConnection& connection, bool rgb24);

}  // namespace kmx::ui
