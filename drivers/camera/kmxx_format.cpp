#include "kmxx_format.h"

#include <cstring>

namespace kmxcam {

void EncodeKmxx(const YuvFrame& frame, int bits_per_pixel, std::vector<uint8_t>& out) {
    const size_t width = size_t(frame.width), height = size_t(frame.height);
    const size_t pixel_bytes = bits_per_pixel == 16 ? 2 : 1;
    out.resize(sizeof(KmxxHeader) + width * height * pixel_bytes);
    KmxxHeader header{{'K', 'M', 'X', 'X'},
                      static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height),
                      static_cast<uint8_t>(bits_per_pixel),
                      1,
                      sizeof(KmxxHeader),
                      frame.number};
    std::memcpy(out.data(), &header, sizeof header);
    uint8_t* pixels = out.data() + sizeof header;
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* luma = &frame.y[y * frame.luma_stride];
        uint8_t* row = pixels + y * width * pixel_bytes;
        if (pixel_bytes == 1) {
            std::memcpy(row, luma, width);
            continue;
        }
        const uint8_t* cb = &frame.cb[y * frame.chroma_stride];
        const uint8_t* cr = &frame.cr[y * frame.chroma_stride];
        for (size_t x = 0; x < width; ++x) {
            row[2 * x] = x % 2 ? cr[x / 2] : cb[x / 2];
            row[2 * x + 1] = luma[x];
        }
    }
}

}  // namespace kmxcam
