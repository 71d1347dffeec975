#include "gdi/block_transfer.h"

#include "gdi/drawing_objects.h"

#include <algorithm>
#include <cstdlib>

namespace kmxwin::gdi {
namespace {

// The source index (0 .. SOURCE_LENGTH-1) that destination index I of
// DESTINATION_LENGTH samples, mirrored when MIRROR.
int64_t Sample(int64_t i, int64_t destination_length, int64_t source_length, bool mirror) {
    int64_t index = (2 * i + 1) * source_length / (2 * destination_length);
    return mirror ? source_length - 1 - index : index;
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
    auto span = [](int start, int length, int64_t* low) {
        int64_t end = int64_t{start} + length;
        *low = std::min<int64_t>(start, end);
        return length < 0 ? -int64_t{length} : int64_t{length};
    };
    int64_t left, top, source_left, source_top;
    int64_t width = span(dx, dw, &left), height = span(dy, dh, &top);
    int64_t source_width = span(sx, sw, &source_left), source_height = span(sy, sh, &source_top);
    RECT destination = {ClampCoordinate(left), ClampCoordinate(top), ClampCoordinate(left + width),
                        ClampCoordinate(top + height)};
    const auto* brush = static_cast<const Brush*>(canvas.dc().state.brush.get());
    uint32_t pattern = brush->Hollow() ? 0 : ToPixel(brush->log.lbColor);
    canvas.ForEachVisible(destination, [&](int x, int y) {
        int64_t u = source_left + Sample(x - left, width, source_width, mirror_x);
        int64_t v = source_top + Sample(y - top, height, source_height, mirror_y);
        if (u < INT32_MIN || u > INT32_MAX || v < INT32_MIN || v > INT32_MAX) return;
        if (!source.Has(static_cast<int>(u), static_cast<int>(v))) return;
        uint32_t* pixel = canvas.PixelAt(x, y);
        *pixel = rop == SRCCOPY
                     ? source.At(static_cast<int>(u), static_cast<int>(v))
                     : ApplyRop3(rop, pattern, source.At(static_cast<int>(u), static_cast<int>(v)),
                                 *pixel & 0xFFFFFF);
    });
}

}  // namespace kmxwin::gdi
