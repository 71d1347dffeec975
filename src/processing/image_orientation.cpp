#include "processing/image_orientation.h"

#include "api/library_orientation.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace kmx {
namespace {

constexpr size_t kPixelBytes = 3;

// Moves the pixel at FROM to TO as one 4-byte word: its fourth byte is the
// next pixel's, at both ends.
inline void MovePixel(const BYTE* from, BYTE* to) {
    uint32_t pixel;
    std::memcpy(&pixel, from, sizeof pixel);
    std::memcpy(to, &pixel, sizeof pixel);
}

// Writes the COUNT pixels at SOURCE to DESTINATION in reverse order. The
// pixels in between move as words, each overwritten in its fourth byte by
// the next; the two end pixels move as 3 bytes, so that no word reaches past
// either row. Four at a time, which the compiler does not unroll by itself.
void WriteReversed(const BYTE* source, BYTE* destination, size_t count) {
    const BYTE* last = source + (count - 1) * kPixelBytes;
    std::memcpy(destination, last, kPixelBytes);
    size_t index = 1;
    for (; index + 4 < count; index += 4) {
        const BYTE* from = last - index * kPixelBytes;
        BYTE* to = destination + index * kPixelBytes;
        MovePixel(from, to);
        MovePixel(from - kPixelBytes, to + kPixelBytes);
        MovePixel(from - 2 * kPixelBytes, to + 2 * kPixelBytes);
        MovePixel(from - 3 * kPixelBytes, to + 3 * kPixelBytes);
    }
    for (; index + 1 < count; ++index)
        MovePixel(last - index * kPixelBytes, destination + index * kPixelBytes);
    if (count > 1) std::memcpy(destination + (count - 1) * kPixelBytes, source, kPixelBytes);
}

}  // namespace

void OrientImage(BYTE* image, DWORD width, DWORD height, bool flip, bool mirror, BYTE* scratch) {
    if (width == 0 || height == 0 || (!flip && !mirror)) return;
    size_t row_bytes = size_t(width) * kPixelBytes;
    DWORD top = 0, bottom = height - 1;
    // Rows in pairs from both ends, the upper one through the scratch...
    for (; flip && top < bottom; ++top, --bottom) {
        BYTE* upper = image + top * row_bytes;
        BYTE* lower = image + bottom * row_bytes;
        std::memcpy(scratch, upper, row_bytes);
        if (mirror) {
            WriteReversed(lower, upper, width);
            WriteReversed(scratch, lower, width);
        } else {
            std::memcpy(upper, lower, row_bytes);
            std::memcpy(lower, scratch, row_bytes);
        }
    }
    // ...then the rows that stay where they are: all of them without a flip,
    // the middle row of an odd height with one.
    if (!mirror) return;
    DWORD last = flip ? bottom : height - 1;
    for (DWORD row = flip ? top : 0; row <= last; ++row) {
        BYTE* pixels = image + row * row_bytes;
        std::memcpy(scratch, pixels, row_bytes);
        WriteReversed(scratch, pixels, width);
    }
}

void OrientationOpen(PipelineState& state) {
    if (state.client_width == 0) return;
    state.orientation = AcquireOrientation(state.connection_id);
    if (!state.orientation) return;
    state.orientation_row = new (std::nothrow) BYTE[size_t(state.client_width) * kPixelBytes];
    if (!state.orientation_row) OrientationClose(state);
}

void OrientFrame(PipelineState& state, BYTE* frame) {
    if (!state.orientation_row) return;
    DWORD turn = OrientationNow(*state.orientation);
    OrientImage(frame, state.client_width, state.client_height, turn & kOrientationFlip,
                turn & kOrientationMirror, state.orientation_row);
}

void OrientationClose(PipelineState& state) {
    ReleaseOrientation(state.orientation);
    state.orientation = nullptr;
    delete[] state.orientation_row;
    state.orientation_row = nullptr;
}

}  // namespace kmx
