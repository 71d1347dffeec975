// One camera frame through the JPEG codec library picn20: the query, then
// the initialise, execute and terminate requests on a parameter record that
// lives on the stack.
#pragma once

#include <windows.h>

#include <kmx512u/pegasus_record.h>

namespace kmx {

// The codec library and its two entry points.
inline constexpr char kCodecLibrary[] = "picn20.dll";

// Results besides 0 (success) and the codec's own error codes.
inline constexpr LONG kCodecNotJpeg = -1009;  // the query failed or found no JPEG image
inline constexpr LONG kCodecFailed = -1;      // an error answer without an error code

// Decodes LENGTH bytes at FRAME into exactly CAPACITY bytes at OUT, as BITS
// bits per pixel of COMPRESSION (RGB, "YUY2" or "UYVY"), turned as
// ORIENTATION (PEGASUS_ORIENT_* bits, 24-bit RGB only) says. 0 on success.
LONG DecodeCameraFrame(PEGASUS_ENTRY pegasus, PEGASUS_QUERY_ENTRY query, const BYTE* frame,
                       DWORD length, DWORD bits, DWORD compression, DWORD orientation, BYTE* out,
                       DWORD capacity);

}  // namespace kmx
