// Reading one camera frame with TurboJPEG, as every codec of ours reads it:
// each frame by an instance of its own, and a frame that decodes only with
// warnings counted as damaged.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kmxjpeg {

struct FrameHeader {
    int width = 0;
    int height = 0;
    int subsampling = 0;  // TJSAMP_*
};

// The TurboJPEG instance that reads one frame. libjpeg keeps the Huffman and
// quantisation tables of the frames it has read and falls back on them for a
// frame that brings none; cameras leave the standard Huffman tables out of
// their frames, so an instance that outlived its frame would read the next
// one with the tables of whatever came before it: another camera's, or a
// damaged frame's. A fresh instance costs microseconds beside a decode.
class Decompressor {
  public:
    Decompressor();
    ~Decompressor();
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    // Null when TurboJPEG had no memory for it.
    void* get() const { return handle_; }

  private:
    void* handle_;
};

// Reads the frame's header with TJ; false when the frame is missing, too
// long for TurboJPEG or no JPEG image.
bool ReadHeader(void* tj, const uint8_t* frame, size_t length, FrameHeader& header);

// Decodes the frame, whose header TJ has read, into OUT as rows of the
// TurboJPEG pixel format PIXEL_FORMAT, PITCH bytes apart, with the
// TurboJPEG FLAGS (TJFLAG_BOTTOMUP for a Windows DIB); false for damaged or
// truncated data.
bool DecodeRows(void* tj, const uint8_t* frame, size_t length, const FrameHeader& header,
                int pixel_format, int flags, uint8_t* out, size_t pitch);

}  // namespace kmxjpeg
