// One decoder: the scratch images that some outputs (RGB 5-5-5, mirrored
// RGB, packed 4:2:2) pass through. A decoder serves one frame at a time; its
// scratch grows to the largest frame it has seen and is then reused, so
// decoding a stream allocates only on its first frame. Nothing else outlives
// a frame: each frame is read by a TurboJPEG instance of its own (see
// jpeg_frame.h).
#pragma once

#include "jpeg_frame.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace picn20 {

using kmxjpeg::FrameHeader;

struct OutputImage {
    uint8_t* data = nullptr;
    size_t capacity = 0;
    uint32_t bits = 0;         // 24 or 16
    uint32_t packing = 0;      // PEGASUS_PACKING_*
    uint32_t orientation = 0;  // PEGASUS_ORIENT_*, 24-bit RGB only
};

// Reads the frame's header; PEGASUS_ERROR_NONE and its size and
// subsampling, or the error code.
int ReadFrameHeader(const uint8_t* frame, size_t length, FrameHeader& header);

class FrameDecoder {
  public:
    // Decodes the frame into OUTPUT, whose capacity must be exactly the
    // image's size; PEGASUS_ERROR_NONE and the bytes written, or the error
    // code. Nothing is written to an output of another size.
    int Decode(const uint8_t* frame, size_t length, const OutputImage& output, size_t& written);

  private:
    // Each takes the frame's TurboJPEG instance, which has read its header.
    int DecodeRgb24(void* tj, const uint8_t* frame, size_t length, const FrameHeader& header,
                    uint32_t orientation, uint8_t* out);
    int DecodeRgb555(void* tj, const uint8_t* frame, size_t length, const FrameHeader& header,
                     uint8_t* out);
    int DecodePacked(void* tj, const uint8_t* frame, size_t length, const FrameHeader& header,
                     uint32_t packing, uint8_t* out);
    // Room in bgr_ for the frame's image as rows of B, G, R that the decoder
    // writes through the cache, to be read back at once; the first row, and
    // the distance between rows in PITCH.
    uint8_t* BgrScratch(const FrameHeader& header, size_t& pitch);
    // Leaves the frame as 4:2:2 planes in planes_ (luma, then the two
    // chroma planes of half width, rounded up).
    int DecodePlanes422(void* tj, const uint8_t* frame, size_t length, const FrameHeader& header);

    std::vector<uint8_t> bgr_;
    std::vector<uint8_t> planes_;
    std::vector<uint8_t> chroma_;
};

}  // namespace picn20
