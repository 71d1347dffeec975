// Regions and the clip region of a DC. A DC's clip region is kept in device
// coordinates, as SelectClipRgn takes it; the rectangles of
// IntersectClipRect and ExcludeClipRect are logical and are mapped first.
#include "gdi/canvas.h"
#include "gdi/device_context.h"
#include "gdi/drawing_objects.h"

using namespace kmxwin::gdi;

namespace {

Region* LookupRegion(HRGN hrgn) {
    return LookupObjectAs<Region>(hrgn, OBJ_REGION);
}

// The kind of what DC may draw on now.
int VisibleKind(const Dc& dc) {
    cairo_region_t* visible = dc.VisibleRegion();
    int kind = RegionKind(visible);
    cairo_region_destroy(visible);
    return kind;
}

// The DC's clip region, made from its whole area when it has none.
cairo_region_t* ClipRegion(Dc& dc) {
    if (!dc.state.clip.get()) {
        RECT bounds = dc.DeviceBounds();
        dc.state.clip =
            RegionCopy(CreateRectangleRegion(bounds.left, bounds.top, bounds.right, bounds.bottom));
    }
    return dc.state.clip.get();
}

// LEFT, TOP, RIGHT, BOTTOM (logical) as a device-coordinate rectangle.
cairo_rectangle_int_t DeviceRect(const Dc& dc, int left, int top, int right, int bottom) {
    POINT a = dc.LogicalToDevice(left, top), b = dc.LogicalToDevice(right, bottom);
    cairo_region_t* region = CreateRectangleRegion(a.x, a.y, b.x, b.y);
    cairo_rectangle_int_t rectangle;
    cairo_region_get_extents(region, &rectangle);
    cairo_region_destroy(region);
    return rectangle;
}

// Combines the DC's clip region with a logical rectangle by COMBINE.
int ChangeClip(HDC hdc, int left, int top, int right, int bottom,
               cairo_status_t (*combine)(cairo_region_t*, const cairo_rectangle_int_t*)) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc) return ERROR;
    cairo_rectangle_int_t rectangle = DeviceRect(*dc, left, top, right, bottom);
    combine(ClipRegion(*dc), &rectangle);
    return VisibleKind(*dc);
}

}  // namespace

extern "C" {

HRGN WINAPI CreateRectRgn(int x1, int y1, int x2, int y2) {
    auto lock = LockGdi();
    return static_cast<HRGN>(
        InsertObject(std::make_unique<Region>(CreateRectangleRegion(x1, y1, x2, y2))));
}

HRGN WINAPI CreateRectRgnIndirect(const RECT* lprect) {
    if (!lprect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateRectRgn(lprect->left, lprect->top, lprect->right, lprect->bottom);
}

BOOL WINAPI SetRectRgn(HRGN hrgn, int left, int top, int right, int bottom) {
    auto lock = LockGdi();
    Region* region = LookupRegion(hrgn);
    if (!region) return FALSE;
    cairo_region_destroy(region->region);
    region->region = CreateRectangleRegion(left, top, right, bottom);
    return TRUE;
}

int WINAPI CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode) {
    auto lock = LockGdi();
    Region* destination = LookupRegion(hrgnDst);
    Region* first = LookupRegion(hrgnSrc1);
    Region* second = iMode == RGN_COPY ? first : LookupRegion(hrgnSrc2);
    if (!destination || !first || !second || iMode < RGN_AND || iMode > RGN_COPY) return ERROR;
    cairo_region_t* result = cairo_region_copy(first->region);
    switch (iMode) {
        case RGN_AND:
            cairo_region_intersect(result, second->region);
            break;
        case RGN_OR:
            cairo_region_union(result, second->region);
            break;
        case RGN_XOR:
            cairo_region_xor(result, second->region);
            break;
        case RGN_DIFF:
            cairo_region_subtract(result, second->region);
            break;
        default:
            break;
    }
    cairo_region_destroy(destination->region);
    destination->region = result;
    return RegionKind(result);
}

int WINAPI OffsetRgn(HRGN hrgn, int x, int y) {
    auto lock = LockGdi();
    Region* region = LookupRegion(hrgn);
    if (!region) return ERROR;
    cairo_region_translate(region->region, x, y);
    return RegionKind(region->region);
}

int WINAPI GetRgnBox(HRGN hrgn, LPRECT lprc) {
    auto lock = LockGdi();
    Region* region = LookupRegion(hrgn);
    if (!region || !lprc) return ERROR;
    cairo_rectangle_int_t extents;
    cairo_region_get_extents(region->region, &extents);
    *lprc = ToRect(extents);
    return RegionKind(region->region);
}

BOOL WINAPI PtInRegion(HRGN hrgn, int x, int y) {
    auto lock = LockGdi();
    Region* region = LookupRegion(hrgn);
    return region && cairo_region_contains_point(region->region, x, y);
}

BOOL WINAPI EqualRgn(HRGN hrgn1, HRGN hrgn2) {
    auto lock = LockGdi();
    Region* first = LookupRegion(hrgn1);
    Region* second = LookupRegion(hrgn2);
    if (!first || !second) return ERROR;
    return cairo_region_equal(first->region, second->region);
}

BOOL WINAPI FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbr) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    Region* region = LookupRegion(hrgn);
    Brush* brush = LookupObjectAs<Brush>(hbr, OBJ_BRUSH);
    if (!dc || !region || !brush) return FALSE;
    if (brush->Hollow()) return TRUE;
    Canvas canvas(*dc);
    Paint paint{ToPixel(brush->log.lbColor)};
    int count = cairo_region_num_rectangles(region->region);
    for (int i = 0; i < count; ++i) {
        cairo_rectangle_int_t part;
        cairo_region_get_rectangle(region->region, i, &part);
        POINT a = dc->LogicalToSurface(part.x, part.y);
        canvas.FillRect({a.x, a.y, a.x + part.width, a.y + part.height}, paint);
    }
    return TRUE;
}

int WINAPI SelectClipRgn(HDC hdc, HRGN hrgn) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc) return ERROR;
    if (!hrgn) {
        dc->state.clip = RegionCopy();
        return VisibleKind(*dc);
    }
    Region* region = LookupRegion(hrgn);
    if (!region) return ERROR;
    dc->state.clip = RegionCopy(cairo_region_copy(region->region));
    return VisibleKind(*dc);
}

int WINAPI GetClipRgn(HDC hdc, HRGN hrgn) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    Region* region = LookupRegion(hrgn);
    if (!dc || !region) return -1;
    if (!dc->state.clip.get()) return 0;
    cairo_region_destroy(region->region);
    region->region = cairo_region_copy(dc->state.clip.get());
    return 1;
}

int WINAPI IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    return ChangeClip(hdc, left, top, right, bottom, cairo_region_intersect_rectangle);
}

int WINAPI ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
    return ChangeClip(hdc, left, top, right, bottom, cairo_region_subtract_rectangle);
}

int WINAPI GetClipBox(HDC hdc, LPRECT lprect) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc || !lprect) return ERROR;
    cairo_region_t* visible = dc->VisibleRegion();
    int kind = RegionKind(visible);
    if (kind == NULLREGION) {
        *lprect = {0, 0, 0, 0};
    } else {
        cairo_rectangle_int_t extents;
        cairo_region_get_extents(visible, &extents);
        POINT origin = dc->SurfaceOrigin();
        POINT a = dc->DeviceToLogical(extents.x - origin.x, extents.y - origin.y);
        *lprect = {a.x, a.y, a.x + extents.width, a.y + extents.height};
    }
    cairo_region_destroy(visible);
    return kind;
}

}  // extern "C"
