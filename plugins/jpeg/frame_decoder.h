// One decoder: a TurboJPEG instance and the scratch images that some
// outputs pass through. A decoder serves one frame at a time; its scratch
// grows to the largest frame it has seen and is then reused, so decoding a
// stream allocates only on its first frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace picn20 {

struct FrameHeader {
    int width = 0;
    int height = 0;
    int subsampling = 0;  // TJSAMP_*
};

struct OutputImage {
    uint8_t* data = nullptr;
    size_t capacity = 0;
    uint32_t bits = 0;     // 24 or 16
    uint32_t packing = 0;  // PEGASUS_PACKING_*
};

class FrameDecoder {
  public:
    FrameDecoder();  // throws std::bad_alloc when TurboJPEG cannot start
    ~FrameDecoder();
    FrameDecoder(const FrameDecoder&) = delete;
    FrameDecoder& operator=(const FrameDecoder&) = delete;

    // Reads the frame's header; PEGASUS_ERROR_NONE and its size and
    // subsampling, or the error code.
    int ReadHeader(const uint8_t* frame, size_t length, FrameHeader& header);

    // Decodes the frame into OUTPUT, whose capacity must be exactly the
    // image's size; PEGASUS_ERROR_NONE and the bytes written, or the error
    // code. Nothing is written to an output of another size.
    int Decode(const uint8_t* frame, size_t length, const OutputImage& output, size_t& written);

  private:
    int DecodeRgb555(const uint8_t* frame, size_t length, const FrameHeader& header, uint8_t* out);
    int DecodePacked(const uint8_t* frame, size_t length, const FrameHeader& header,
                     uint32_t packing, uint8_t* out);
    // Leaves the frame as 4:2:2 planes in planes_ (luma, then the two
    // chroma planes of half width, rounded up).
    int DecodePlanes422(const uint8_t* frame, size_t length, const FrameHeader& header);

    void* handle_;
    std::vector<uint8_t> bgr_;
    std::vector<uint8_t> planes_;
    std::vector<uint8_t> chroma_;
};

}  // namespace picn20
