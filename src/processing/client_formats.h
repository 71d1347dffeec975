// The client formats that the frame pipeline produces from the camera's
// "MJPG" frames: the uncompressed formats derived from each MJPG camera mode,
// and the camera format that a client format must be produced from.
#pragma once

#include <windows.h>

#include <kmxrecords/camera_commands.h>

namespace kmx {

// Derived formats per MJPG mode, in the order they are listed.
inline constexpr int kDerivedFormatCount = 4;

// The derived format KIND (0: RGB 24, 1: RGB 16, 2: "UYVY", 3: "YUY2") of
// the camera mode NATIVE, in *DERIVED: a copy of NATIVE with a new format
// record of the same size. 1, or 0 when NATIVE is not an MJPG mode, is one
// of another bit count than 24 (kinds 0 and 1) or KIND is out of range.
int DeriveFormat(const FormatDescriptor& native, int kind, FormatDescriptor* derived);

// For a client format the pipeline produces (RGB 16 or 24, "UYVY", "YUY2"):
// 1 and, in *CAMERA, the "MJPG" format of the same size it is decoded from.
// Else 0, and *CAMERA is untouched.
int CameraFormatFor(const FormatRecord& client, FormatRecord* camera);

// True for uncompressed 24-bit RGB, the one format the pipeline scales.
inline bool IsRgb24(const FormatRecord& format) {
    return format.compression == kFourccRgb && format.bits_per_pixel == 24;
}

}  // namespace kmx
