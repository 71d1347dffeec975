// The library's own debug flags: five words read from the machine's settings
// key at start. Only the user-mode error mask ("DebugUserModeErr") matters
// inside the library: the frame path records each kind of failure it meets
// there, and service tools read it to see which failures have happened on
// the machine.
#pragma once

#include <windows.h>

namespace kmx {

struct DebugFlags {
    DWORD user_mode;       // "DebugUserMode"
    DWORD user_mode_func;  // "DebugUserModeFunc"
    DWORD user_mode_err;   // "DebugUserModeErr", the user-mode error mask
    DWORD twain_info;      // "DebugTwainInfo"
    DWORD twain_func;      // "DebugTwainFunc"
};

// Bits of the user-mode error mask.
inline constexpr DWORD kCodecLoadError = 1;    // the JPEG codec library failed to load
inline constexpr DWORD kCodecFrameError = 16;  // the codec failed on a frame
inline constexpr DWORD kFrameSizeError = 32;   // a frame did not fit
inline constexpr DWORD kScalerLoadError = 64;  // the scaler failed to load or lacks an entry

// Reads the five words (a missing value leaves its word at 0). Run by the
// module start.
void ReadDebugFlags();

// Adds BITS to the error mask, in memory and in the registry, holding the
// registry access mutex. Safe from any number of threads and processes at
// once; bits whose write fails stay in memory and go with the next write.
void RecordUserModeError(DWORD bits);

// The words as they are now.
DebugFlags CurrentDebugFlags();

}  // namespace kmx
