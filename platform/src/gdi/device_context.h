// Device contexts. A DC draws either onto a surface handed to it by the
// window system (with the window's origin and clip) or, as a memory DC, onto
// the bitmap selected into it. Coordinates go logical -> device (window and
// viewport origins, MM_TEXT) -> surface (the DC's origin on its surface).
#pragma once

#include "gdi/bitmap.h"
#include "gdi/drawing_objects.h"
#include "gdi/object_table.h"

#include <cairo.h>

#include <cstdint>
#include <vector>

namespace kmxwin::gdi {

// GDI's coordinates are 27-bit numbers, as on Windows NT: whatever lies
// further out is drawn as if at the limit, and no sum of coordinates and
// origins can overflow.
inline constexpr int64_t kMaxCoordinate = (int64_t{1} << 27) - 1;
LONG ClampCoordinate(int64_t value);

// An optional region, copied with the state it belongs to.
class RegionCopy {
  public:
    RegionCopy() = default;
    explicit RegionCopy(cairo_region_t* owned) : region_(owned) {}
    RegionCopy(const RegionCopy& other)
        : region_(other.region_ ? cairo_region_copy(other.region_) : nullptr) {}
    RegionCopy& operator=(RegionCopy other) {
        std::swap(region_, other.region_);
        return *this;
    }
    ~RegionCopy() {
        if (region_) cairo_region_destroy(region_);
    }
    cairo_region_t* get() const { return region_; }

  private:
    cairo_region_t* region_ = nullptr;
};

// What SaveDC saves and RestoreDC brings back.
struct DcState {
    ObjectRef pen;
    ObjectRef brush;
    ObjectRef font;
    ObjectRef bitmap;  // memory DCs only
    COLORREF text_color = RGB(0, 0, 0);
    COLORREF bk_color = RGB(255, 255, 255);
    int bk_mode = OPAQUE;
    int rop2 = R2_COPYPEN;
    int poly_fill_mode = ALTERNATE;
    int stretch_mode = BLACKONWHITE;
    UINT text_align = TA_LEFT | TA_TOP | TA_NOUPDATECP;
    POINT viewport_org{0, 0};
    POINT window_org{0, 0};
    POINT position{0, 0};
    // The application's clip region in device coordinates; none when unset.
    RegionCopy clip;
};

class Dc : public GdiObject {
  public:
    // A memory DC (OBJ_MEMDC) or a DC on SURFACE (OBJ_DC).
    Dc(DWORD object_type, cairo_surface_t* surface, POINT origin, const RECT& bounds);
    ~Dc() override;

    DcState state;
    std::vector<DcState> saved;

    Bitmap* SelectedBitmap() const { return static_cast<Bitmap*>(state.bitmap.get()); }
    // The surface drawn on: the window's, or the selected bitmap's.
    cairo_surface_t* Target() const;
    bool IsMemoryDc() const { return type == OBJ_MEMDC; }

    POINT LogicalToDevice(int x, int y) const;
    POINT DeviceToLogical(int x, int y) const;
    POINT LogicalToSurface(int x, int y) const;
    POINT SurfaceOrigin() const { return origin_; }
    // The DC's drawable area in device coordinates, before any clip region.
    RECT DeviceBounds() const;
    // What drawing may touch, in surface coordinates: the DC's bounds, its
    // surface and its clip region. The caller destroys it.
    cairo_region_t* VisibleRegion() const;

  private:
    cairo_surface_t* surface_;  // referenced; null for memory DCs
    POINT origin_;
    RECT bounds_;  // surface coordinates; the window's clip for surface DCs
};

// The DC behind HDC (either kind), or nullptr with ERROR_INVALID_HANDLE.
Dc* LookupDc(HDC hdc);

// Selects the stock objects a new DC starts with, FONT among them.
void SelectDefaultObjects(Dc& dc, int stock_font);

}  // namespace kmxwin::gdi
