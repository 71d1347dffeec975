// Block transfers: a copy of source pixels, stretched onto a canvas and
// combined with the destination and the DC's brush by a ternary raster
// operation. Stretching takes the nearest source pixel; a negative width
// or height on one side only mirrors the image.
#pragma once

#include "gdi/canvas.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace kmxwin::gdi {

// Source pixels copied out before the transfer writes, so that a source
// overlapping the destination reads what was there before.
struct SourcePixels {
    RECT bounds{};  // source coordinates of the pixels held
    std::vector<uint32_t> pixels;
    bool Has(int x, int y) const {
        return x >= bounds.left && x < bounds.right && y >= bounds.top && y < bounds.bottom;
    }
    uint32_t At(int x, int y) const {
        return pixels[static_cast<size_t>(y - bounds.top) * (bounds.right - bounds.left) +
                      (x - bounds.left)];
    }
};

// The pixels of WANTED within AVAILABLE, read by READ(x, y).
SourcePixels CopySource(RECT wanted, const RECT& available,
                        const std::function<uint32_t(int, int)>& read);

// The pixels of WANTED (surface coordinates) on DC's surface that lie in
// the DC's bounds.
SourcePixels CopyFromDc(Dc& dc, const RECT& wanted);

// Transfers source rectangle (SX, SY, SW, SH) of SOURCE onto destination
// rectangle (DX, DY, DW, DH) (surface coordinates) with ROP; source pixels
// that SOURCE lacks leave the destination as it was.
void StretchTransfer(Canvas& canvas, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh,
                     const SourcePixels& source, DWORD rop);

}  // namespace kmxwin::gdi
