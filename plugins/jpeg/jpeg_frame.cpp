#include "jpeg_frame.h"

#include <turbojpeg.h>

namespace kmxjpeg {

Decompressor::Decompressor() : handle_(tjInitDecompress()) {}

Decompressor::~Decompressor() {
    if (handle_) tjDestroy(handle_);
}

bool ReadHeader(void* tj, const uint8_t* frame, size_t length, FrameHeader& header) {
    // TurboJPEG takes the input length as unsigned long and sizes as int.
    if (!frame || length == 0 || length > 0x7FFFFFFF) return false;
    int colorspace = 0;
    return tjDecompressHeader3(tj, frame, static_cast<unsigned long>(length), &header.width,
                               &header.height, &header.subsampling, &colorspace) == 0;
}

bool DecodeRows(void* tj, const uint8_t* frame, size_t length, const FrameHeader& header,
                int pixel_format, int flags, uint8_t* out, size_t pitch) {
    // Warnings count too: a truncated or damaged frame decodes into grey or
    // garbage, which is no frame to show.
    return tjDecompress2(tj, frame, static_cast<unsigned long>(length), out, header.width,
                         int(pitch), header.height, pixel_format, flags) == 0;
}

}  // namespace kmxjpeg
