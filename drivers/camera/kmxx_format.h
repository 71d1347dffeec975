// The camera's own "KMXX" frame layout. A frame is a 16-byte header
// followed by the picture, top row first:
//
//   offset  size  field
//   0       4     "KMXX"
//   4       2     width in pixels
//   6       2     height in pixels
//   8       1     bits per pixel: 16 or 8
//   9       1     layout version, 1
//   10      2     header size in bytes, 16
//   12      4     frame number
//   16      ...   16 bits: rows of U Y0 V Y1 (4:2:2, as "UYVY"), 2 bytes a
//                 pixel; 8 bits: rows of luma only, 1 byte a pixel
//
// All fields little-endian. A frame is at most width x height x bits / 8 +
// 1024 bytes, the image size clients allocate for it.
#pragma once

#include "frame_synthesis.h"

#include <cstdint>
#include <vector>

namespace kmxcam {

#pragma pack(push, 1)
struct KmxxHeader {
    char magic[4];
    uint16_t width;
    uint16_t height;
    uint8_t bits_per_pixel;
    uint8_t version;
    uint16_t header_size;
    uint32_t number;
};
#pragma pack(pop)
static_assert(sizeof(KmxxHeader) == 16);

// Replaces OUT with the KMXX frame of FRAME at BITS (8 or 16) per pixel.
void EncodeKmxx(const YuvFrame& frame, int bits_per_pixel, std::vector<uint8_t>& out);

}  // namespace kmxcam
