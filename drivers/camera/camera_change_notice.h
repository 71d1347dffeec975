// The two machine-wide notices the service leaves for clients that watch
// for cameras: one value under the "CameraChange" key of the machine's
// camera settings when a camera is plugged, and a new "CameraWokeSystem"
// value when the camera wakes the system.
#pragma once

#include <string>

namespace kmxcam {

// A camera arrived on INTERFACE_PATH.
void NoteCameraArrival(const std::string& interface_path);
// The camera woke the system.
void NoteSystemWake();

}  // namespace kmxcam
