// The machine-wide notices the service leaves for clients that watch for
// cameras: a change of value under the "CameraChange" key of the machine's
// camera settings when a camera is plugged ("Interface" names it, "Arrivals"
// counts) or unplugged ("Removals" counts), and a new "CameraWokeSystem"
// value when the camera wakes the system. A watch counts the cameras at
// each change, so it needs the removals too: its count follows a camera
// down, and the same camera plugged back counts as new.
#pragma once

#include <string>

namespace kmxcam {

// A camera arrived on INTERFACE_PATH.
void NoteCameraArrival(const std::string& interface_path);
// A camera went away; its interface is gone.
void NoteCameraRemoval();
// The camera woke the system.
void NoteSystemWake();

}  // namespace kmxcam
