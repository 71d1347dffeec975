#include "frame_decoder.h"

#include <kmx512u/pegasus_record.h>

#include <libyuv/planar_functions.h>
#include <libyuv/scale.h>
#include <turbojpeg.h>

#include <cstring>

namespace picn20 {

namespace {

constexpr uint32_t kOrientations = PEGASUS_ORIENT_FLIP | PEGASUS_ORIENT_MIRROR;

void StoreRgb555(uint8_t* out, const uint8_t* bgr) {
    uint16_t word = uint16_t((bgr[0] >> 3) | ((bgr[1] >> 3) << 5) | ((bgr[2] >> 3) << 10));
    out[0] = uint8_t(word);
    out[1] = uint8_t(word >> 8);
}

// Decodes the frame as rows of B, G, R, PITCH bytes apart, into OUT.
int DecodeBgr(tjhandle tj, const uint8_t* frame, size_t length, const FrameHeader& header,
              int flags, uint8_t* out, size_t pitch) {
    if (!kmxjpeg::DecodeRows(tj, frame, length, header, TJPF_BGR, flags, out, pitch))
        return PEGASUS_ERROR_DATA;
    return PEGASUS_ERROR_NONE;
}

int ReadHeaderWith(tjhandle tj, const uint8_t* frame, size_t length, FrameHeader& header) {
    return kmxjpeg::ReadHeader(tj, frame, length, header) ? PEGASUS_ERROR_NONE
                                                          : PEGASUS_ERROR_NOT_JPEG;
}

}  // namespace

int ReadFrameHeader(const uint8_t* frame, size_t length, FrameHeader& header) {
    kmxjpeg::Decompressor decompressor;
    if (!decompressor.get()) return PEGASUS_ERROR_MEMORY;
    return ReadHeaderWith(decompressor.get(), frame, length, header);
}

int FrameDecoder::Decode(const uint8_t* frame, size_t length, const OutputImage& output,
                         size_t& written) {
    written = 0;
    bool rgb = output.packing == PEGASUS_PACKING_RGB && (output.bits == 24 || output.bits == 16);
    bool packed =
        (output.packing == PEGASUS_PACKING_YUY2 || output.packing == PEGASUS_PACKING_UYVY) &&
        output.bits == 16;
    if (!rgb && !packed) return PEGASUS_ERROR_OUTPUT;
    if (output.orientation != 0 && (output.bits != 24 || (output.orientation & ~kOrientations)))
        return PEGASUS_ERROR_OUTPUT;
    kmxjpeg::Decompressor decompressor;
    tjhandle tj = decompressor.get();
    if (!tj) return PEGASUS_ERROR_MEMORY;
    FrameHeader header;
    if (int error = ReadHeaderWith(tj, frame, length, header)) return error;
    // The header's sizes are 16-bit, so this cannot overflow 64 bits.
    uint64_t needed = uint64_t(header.width) * uint64_t(header.height) * output.bits / 8;
    // A frame of another size than the output was made for would show
    // garbled, however well it fits; it is refused like one too large.
    if (!output.data || needed != output.capacity) return PEGASUS_ERROR_CAPACITY;

    int error;
    if (packed)
        error = DecodePacked(tj, frame, length, header, output.packing, output.data);
    else if (output.bits == 16)
        error = DecodeRgb555(tj, frame, length, header, output.data);
    else
        error = DecodeRgb24(tj, frame, length, header, output.orientation, output.data);
    if (error == PEGASUS_ERROR_NONE) written = size_t(needed);
    return error;
}

int FrameDecoder::DecodeRgb24(tjhandle tj, const uint8_t* frame, size_t length,
                              const FrameHeader& header, uint32_t orientation, uint8_t* out) {
    // A flip costs nothing: the rows are written top-down instead.
    int flags = orientation & PEGASUS_ORIENT_FLIP ? 0 : TJFLAG_BOTTOMUP;
    size_t row_bytes = size_t(header.width) * 3;
    if (!(orientation & PEGASUS_ORIENT_MIRROR))
        return DecodeBgr(tj, frame, length, header, flags, out, row_bytes);
    // A mirror is one SIMD pass from the scratch into the output.
    size_t pitch = 0;
    uint8_t* image = BgrScratch(header, pitch);
    if (int error = DecodeBgr(tj, frame, length, header, flags, image, pitch)) return error;
    libyuv::RGB24Mirror(image, int(pitch), out, int(row_bytes), header.width, header.height);
    return PEGASUS_ERROR_NONE;
}

int FrameDecoder::DecodeRgb555(tjhandle tj, const uint8_t* frame, size_t length,
                               const FrameHeader& header, uint8_t* out) {
    size_t pitch = 0;
    uint8_t* image = BgrScratch(header, pitch);
    if (int error = DecodeBgr(tj, frame, length, header, TJFLAG_BOTTOMUP, image, pitch))
        return error;
    for (int row = 0; row < header.height; ++row) {
        const uint8_t* bgr = image + size_t(row) * pitch;
        uint8_t* words = out + size_t(row) * size_t(header.width) * 2;
        for (int x = 0; x < header.width; ++x) StoreRgb555(words + 2 * x, bgr + 3 * x);
    }
    return PEGASUS_ERROR_NONE;
}

uint8_t* FrameDecoder::BgrScratch(const FrameHeader& header, size_t& pitch) {
    // libjpeg-turbo writes a row that starts on a 16- or 32-byte boundary
    // with non-temporal stores, past the cache, and the image would then be
    // read back from memory. So every row starts 8 bytes past a 32-byte
    // boundary: the pitch is a multiple of 32 and the first row is placed.
    constexpr size_t kAlign = 32, kPast = 8;
    pitch = (size_t(header.width) * 3 + kAlign - 1) & ~(kAlign - 1);
    bgr_.resize(pitch * size_t(header.height) + kAlign);
    size_t misalignment = reinterpret_cast<uintptr_t>(bgr_.data()) % kAlign;
    return bgr_.data() + (kAlign + kPast - misalignment) % kAlign;
}

int FrameDecoder::DecodePlanes422(tjhandle tj, const uint8_t* frame, size_t length,
                                  const FrameHeader& header) {
    int width = header.width, height = header.height;
    int chroma_width = (width + 1) / 2;
    size_t luma_bytes = size_t(width) * size_t(height);
    size_t chroma_bytes = size_t(chroma_width) * size_t(height);
    planes_.resize(luma_bytes + 2 * chroma_bytes);
    uint8_t* y = planes_.data();
    uint8_t* u = y + luma_bytes;
    uint8_t* v = u + chroma_bytes;

    int subsampling = header.subsampling;
    unsigned char* targets[3] = {y, u, v};
    int strides[3] = {width, chroma_width, chroma_width};
    bool direct = subsampling == TJSAMP_422 || subsampling == TJSAMP_GRAY;
    if (!direct) {
        // Other subsamplings are decoded at their own chroma size and
        // resampled to 4:2:2 below.
        size_t needed = 0;
        for (int c = 1; c < 3; ++c) {
            strides[c] = tjPlaneWidth(c, width, subsampling);
            int rows = tjPlaneHeight(c, height, subsampling);
            if (strides[c] <= 0 || rows <= 0) return PEGASUS_ERROR_DATA;
            needed += size_t(strides[c]) * size_t(rows);
        }
        chroma_.resize(needed);
        targets[1] = chroma_.data();
        targets[2] =
            chroma_.data() + size_t(strides[1]) * size_t(tjPlaneHeight(1, height, subsampling));
    }
    if (tjDecompressToYUVPlanes(tj, frame, static_cast<unsigned long>(length), targets, width,
                                strides, height, 0) != 0)
        return PEGASUS_ERROR_DATA;
    if (subsampling == TJSAMP_GRAY) {
        std::memset(u, 128, 2 * chroma_bytes);
    } else if (!direct) {
        for (int c = 1; c < 3; ++c)
            libyuv::ScalePlane(targets[c], strides[c], strides[c],
                               tjPlaneHeight(c, height, subsampling), c == 1 ? u : v, chroma_width,
                               chroma_width, height, libyuv::kFilterBilinear);
    }
    return PEGASUS_ERROR_NONE;
}

int FrameDecoder::DecodePacked(tjhandle tj, const uint8_t* frame, size_t length,
                               const FrameHeader& header, uint32_t packing, uint8_t* out) {
    if (int error = DecodePlanes422(tj, frame, length, header)) return error;
    int width = header.width, height = header.height;
    int chroma_width = (width + 1) / 2;
    const uint8_t* y = planes_.data();
    const uint8_t* u = y + size_t(width) * size_t(height);
    const uint8_t* v = u + size_t(chroma_width) * size_t(height);
    int stride = width * 2;
    // libyuv writes a whole pair for an odd last pixel, two bytes past an
    // unpadded row; the pairs go through libyuv and a lone last pixel is
    // written here.
    int even_width = width & ~1;
    if (even_width > 0) {
        if (packing == PEGASUS_PACKING_YUY2)
            libyuv::I422ToYUY2(y, width, u, chroma_width, v, chroma_width, out, stride, even_width,
                               height);
        else
            libyuv::I422ToUYVY(y, width, u, chroma_width, v, chroma_width, out, stride, even_width,
                               height);
    }
    if (width & 1) {
        bool yuy2 = packing == PEGASUS_PACKING_YUY2;
        for (int row = 0; row < height; ++row) {
            uint8_t* last = out + size_t(row) * size_t(stride) + size_t(even_width) * 2;
            uint8_t luma = y[size_t(row) * size_t(width) + size_t(even_width)];
            uint8_t chroma = u[size_t(row) * size_t(chroma_width) + size_t(even_width / 2)];
            last[0] = yuy2 ? luma : chroma;
            last[1] = yuy2 ? chroma : luma;
        }
    }
    return PEGASUS_ERROR_NONE;
}

}  // namespace picn20
