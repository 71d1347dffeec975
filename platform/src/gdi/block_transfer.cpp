#include "gdi/block_transfer.h"

#include "gdi/drawing_objects.h"

#include <algorithm>
#include <cstdlib>

namespace kmxwin::gdi {
namespace {

// The source index (0 .. SOURCE_LENGTH-1) that destination index I of
// DESTINATION_LENGTH samples, mirrored when MIRROR.
int Sample(int i, int destination_length, int source_length, bool mirror) {
    int64_t index = (2 * int64_t(i) + 1) * source_length / (2 * int64_t(destination_length));
    return mirror ? source_length - 1 - static_cast<int>(index) : static_cast<int>(index);
}

}  // namespace

SourcePixels CopySource(RECT wanted, const RECT& available,
                        const std::function<uint32_t(int, int)>& read) {
    SourcePixels source;
    source.bounds = {std::max(wanted.left, available.left), std::max(wanted.top, available.top),
                     std::min(wanted.right, available.right),
                     std::min(wanted.bottom, available.bottom)};
    if (source.bounds.left >= source.bounds.right || source.bounds.top >= source.bounds.bottom) {
        source.bounds = {};
        return source;
    }
    source.pixels.reserve(static_cast<size_t>(source.bounds.right - source.bounds.left) *
                          (source.bounds.bottom - source.bounds.top));
    for (int y = source.bounds.top; y < source.bounds.bottom; ++y)
        for (int x = source.bounds.left; x < source.bounds.right; ++x)
            source.pixels.push_back(read(x, y) & 0xFFFFFF);
    return source;
}

SourcePixels CopyFromDc(Dc& dc, const RECT& wanted) {
    Canvas source(dc);
    RECT device = dc.DeviceBounds();
    POINT origin = dc.SurfaceOrigin();
    cairo_surface_t* surface = dc.Target();
    RECT available = {std::max<LONG>(0, device.left + origin.x),
                      std::max<LONG>(0, device.top + origin.y),
                      std::min(device.right + origin.x, cairo_image_surface_get_width(surface)),
                      std::min(device.bottom + origin.y, cairo_image_surface_get_height(surface))};
    return CopySource(wanted, available, [&](int x, int y) { return *source.PixelAt(x, y); });
}

void StretchTransfer(Canvas& canvas, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh,
                     const SourcePixels& source, DWORD rop) {
    if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return;
    bool mirror_x = (dw < 0) != (sw < 0), mirror_y = (dh < 0) != (sh < 0);
    RECT destination = {std::min(dx, dx + dw), std::min(dy, dy + dh), std::max(dx, dx + dw),
                        std::max(dy, dy + dh)};
    int source_left = std::min(sx, sx + sw), source_top = std::min(sy, sy + sh);
    int width = std::abs(dw), height = std::abs(dh);
    int source_width = std::abs(sw), source_height = std::abs(sh);
    const auto* brush = static_cast<const Brush*>(canvas.dc().state.brush.get());
    uint32_t pattern = brush->Hollow() ? 0 : ToPixel(brush->log.lbColor);
    canvas.ForEachVisible(destination, [&](int x, int y) {
        int u = source_left + Sample(x - destination.left, width, source_width, mirror_x);
        int v = source_top + Sample(y - destination.top, height, source_height, mirror_y);
        if (!source.Has(u, v)) return;
        uint32_t* pixel = canvas.PixelAt(x, y);
        *pixel = rop == SRCCOPY ? source.At(u, v)
                                : ApplyRop3(rop, pattern, source.At(u, v), *pixel & 0xFFFFFF);
    });
}

}  // namespace kmxwin::gdi
