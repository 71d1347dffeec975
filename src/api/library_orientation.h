// Flip and mirror done by the library on 24-bit RGB frames, for cameras that
// leave them to the library (the camera's image set, ids 1 and 2). The frame
// path must never wait for the camera, so it reads the settings from memory:
// each pipeline that turns frames holds a record of its camera's settings,
// read when it opens, updated at once when a setting is written through this
// library, and read again off the frame path every half second by a thread
// of the library's own, so that a change made by another process shows
// within half a second.
#pragma once

#include <windows.h>

namespace kmx {

// The settings as OrientationNow gives them.
inline constexpr DWORD kOrientationFlip = 1;
inline constexpr DWORD kOrientationMirror = 2;

// How often the settings are read again while a pipeline holds them.
inline constexpr DWORD kOrientationRefreshMs = 500;

struct LibraryOrientation;

// A record of the settings of camera CONNECTION_ID, read now, for the caller
// to hold until ReleaseOrientation. Null when the camera answers neither
// setting (it turns its frames itself) or when no camera handle or memory
// could be had.
LibraryOrientation* AcquireOrientation(DWORD connection_id);
// Harmless on null.
void ReleaseOrientation(LibraryOrientation* orientation);

// kOrientationFlip and kOrientationMirror as last written or read; for the
// frame path: it takes no lock and makes no request.
DWORD OrientationNow(const LibraryOrientation& orientation);

// Called when the library has written SET / ID (SIZE bytes at VALUE) to
// camera CONNECTION_ID: the records of that camera take the new flip or
// mirror setting at once.
void NoteImageSetting(DWORD connection_id, const GUID& set, DWORD id, DWORD size,
                      const void* value);

}  // namespace kmx
