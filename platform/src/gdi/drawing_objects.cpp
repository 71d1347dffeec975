#include "gdi/drawing_objects.h"

#include <algorithm>

namespace kmxwin::gdi {

int RegionKind(const cairo_region_t* region) {
    int count = cairo_region_num_rectangles(region);
    return count == 0 ? NULLREGION : count == 1 ? SIMPLEREGION : COMPLEXREGION;
}

cairo_region_t* CreateRectangleRegion(int left, int top, int right, int bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    cairo_rectangle_int_t rectangle = {left, top, right - left, bottom - top};
    return cairo_region_create_rectangle(&rectangle);
}

RECT ToRect(const cairo_rectangle_int_t& rectangle) {
    return {rectangle.x, rectangle.y, rectangle.x + rectangle.width,
            rectangle.y + rectangle.height};
}

cairo_rectangle_int_t ToCairoRect(const RECT& rect) {
    return {rect.left, rect.top, std::max<LONG>(0, rect.right - rect.left),
            std::max<LONG>(0, rect.bottom - rect.top)};
}

}  // namespace kmxwin::gdi
