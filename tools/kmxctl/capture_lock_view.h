// The capture lock as the library's shared record holds it, read without
// changing it: which camera is locked, by which process, and whether the
// holder is still alive.
#pragma once

#include <windows.h>

#include <optional>

namespace kmxctl {

struct CaptureLockView {
    DWORD camera;         // connection id of the locked camera
    DWORD process;        // process id of the holder
    DWORD heartbeat_age;  // milliseconds since the holder last refreshed it
    bool stale;           // the holder died or hangs; the next lock attempt clears it
    DWORD identity1, identity2;
};

// The lock, or nothing while no camera is locked. A Failure when the record
// cannot be read.
std::optional<CaptureLockView> ReadCaptureLock();

}  // namespace kmxctl
