// Uncompressed client frames as top-down rows of 8-bit red, green and blue,
// for files that store pictures rather than the driver's layout: RGB frames
// are bottom-up DIBs (24-bit BGR, 16-bit 5-5-5), packed YUV is top-down.
#pragma once

#include <windows.h>

#include "client_format.h"

#include <vector>

namespace kmxcap {

// The frame as WIDTH x HEIGHT x 3 bytes; a Failure when it is compressed
// or shorter than its format says.
std::vector<BYTE> RgbRows(const BITMAPINFOHEADER& format, const BYTE* data, size_t size);

}  // namespace kmxcap
