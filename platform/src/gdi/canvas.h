// Pixel access to a DC's surface for one drawing call: every write goes
// through the DC's visible region, rectangle by rectangle, so that each
// pixel is touched once (which XOR drawing depends on). All coordinates
// here are surface coordinates.
#pragma once

#include "gdi/device_context.h"
#include "gdi/pixel_ops.h"

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace kmxwin::gdi {

// Which pixels of a rectangle a shape covers.
struct CoverageMask {
    RECT bounds{};
    std::vector<uint8_t> covered;  // row by row, one byte a pixel
};

class Canvas {
  public:
    explicit Canvas(Dc& dc);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    Dc& dc() const { return dc_; }
    const cairo_region_t* Visible() const { return visible_; }
    bool IsVisible(int x, int y) const { return cairo_region_contains_point(visible_, x, y); }
    uint32_t* PixelAt(int x, int y) const {
        return reinterpret_cast<uint32_t*>(data_ + static_cast<ptrdiff_t>(y) * stride_) + x;
    }

    // Keeps this canvas's drawing inside RECT as well.
    void Restrict(const RECT& rect);

    void Plot(int x, int y, const Paint& paint);
    void FillRect(const RECT& rect, const Paint& paint);
    void PaintMask(const CoverageMask& mask, const Paint& paint);

    // Calls VISIT(x, y) for every visible pixel of RECT, row by row.
    void ForEachVisible(const RECT& rect, const std::function<void(int, int)>& visit) const;

    // Renders what DRAW paints (aliased, opaque) into a mask of BOUNDS,
    // limited to the visible region.
    CoverageMask Render(RECT bounds, const std::function<void(cairo_t*)>& draw) const;

    // A cairo context on the surface, clipped to the visible region, for
    // text. Pixels may not be touched directly until EndCairo.
    cairo_t* BeginCairo();
    void EndCairo(cairo_t* cr);

  private:
    // Calls VISIT with each visible part of RECT.
    void ForEachVisibleArea(const RECT& rect, const std::function<void(const RECT&)>& visit) const;

    Dc& dc_;
    Bitmap* bitmap_;
    cairo_surface_t* target_;
    cairo_region_t* visible_;
    unsigned char* data_;
    int stride_;
};

// Runs DRAW(dc, canvas) on HDC's canvas under the GDI lock; FALSE for a bad
// DC, else what DRAW returns.
template <class F>
BOOL DrawOnDc(HDC hdc, F draw) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    Canvas canvas(*dc);
    return draw(*dc, canvas);
}

}  // namespace kmxwin::gdi
