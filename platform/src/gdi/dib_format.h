// Reading device-independent bitmaps: the layouts StretchDIBits and
// SetDIBitsToDevice take (8 bits with a colour table, 16 bits 5-5-5 or with
// bit fields, 24 and 32 bits), top-down or bottom-up.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace kmxwin::gdi {

struct DibLayout {
    int width = 0;
    int height = 0;  // rows, always positive
    bool bottom_up = true;
    int bits_per_pixel = 0;
    size_t stride = 0;  // bytes a row, rounded up to 4
    const RGBQUAD* colors = nullptr;
    int color_count = 0;
    DWORD masks[3] = {0, 0, 0};  // red, green, blue for 16 and 32 bits
};

// Checks INFO and describes its layout; false (ERROR_INVALID_PARAMETER) for
// a header or format it cannot read.
bool ParseDib(const BITMAPINFO* info, UINT usage, DibLayout* layout);

// The colour (0x00RRGGBB) of pixel X of memory row ROW.
uint32_t DibPixel(const DibLayout& layout, const unsigned char* bits, int x, int row);

// The bytes a row of WIDTH pixels of BITS_PER_PIXEL takes in a DIB.
size_t DibStride(int width, int bits_per_pixel);

}  // namespace kmxwin::gdi
