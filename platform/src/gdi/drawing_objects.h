// The plain drawing objects: pens, brushes and regions.
#pragma once

#include "gdi/object_table.h"

#include <cairo.h>

namespace kmxwin::gdi {

struct Pen : GdiObject {
    explicit Pen(const LOGPEN& pen) : GdiObject(OBJ_PEN), log(pen) {}
    LOGPEN log;
    UINT Style() const { return log.lopnStyle & PS_STYLE_MASK; }
    // Pens of width 0 or 1 are one pixel wide whatever the mapping.
    int Width() const { return log.lopnWidth.x < 1 ? 1 : log.lopnWidth.x; }
};

struct Brush : GdiObject {
    explicit Brush(const LOGBRUSH& brush) : GdiObject(OBJ_BRUSH), log(brush) {}
    LOGBRUSH log;
    bool Hollow() const { return log.lbStyle == BS_NULL; }
};

// A region is a set of rectangles in its own coordinates.
struct Region : GdiObject {
    explicit Region(cairo_region_t* rectangles) : GdiObject(OBJ_REGION), region(rectangles) {}
    ~Region() override { cairo_region_destroy(region); }
    cairo_region_t* region;
};

// NULLREGION, SIMPLEREGION or COMPLEXREGION for REGION.
int RegionKind(const cairo_region_t* region);

// A cairo region of the rectangle from (LEFT, TOP) to (RIGHT, BOTTOM),
// normalised as Windows normalises region rectangles.
cairo_region_t* CreateRectangleRegion(int left, int top, int right, int bottom);

// Converts between RECT and cairo's rectangles.
RECT ToRect(const cairo_rectangle_int_t& rectangle);
cairo_rectangle_int_t ToCairoRect(const RECT& rect);

}  // namespace kmxwin::gdi
