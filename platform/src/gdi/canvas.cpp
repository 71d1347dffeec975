#include "gdi/canvas.h"

#include "gdi/drawing_objects.h"

#include <algorithm>

namespace kmxwin::gdi {
namespace {

bool Intersect(const RECT& a, const cairo_rectangle_int_t& b, RECT* out) {
    out->left = std::max<LONG>(a.left, b.x);
    out->top = std::max<LONG>(a.top, b.y);
    out->right = std::min<LONG>(a.right, b.x + b.width);
    out->bottom = std::min<LONG>(a.bottom, b.y + b.height);
    return out->left < out->right && out->top < out->bottom;
}

}  // namespace

Canvas::Canvas(Dc& dc)
    : dc_(dc),
      bitmap_(dc.IsMemoryDc() ? dc.SelectedBitmap() : nullptr),
      target_(dc.Target()),
      visible_(dc.VisibleRegion()) {
    if (bitmap_) bitmap_->LoadFromDib();
    cairo_surface_flush(target_);
    data_ = cairo_image_surface_get_data(target_);
    stride_ = cairo_image_surface_get_stride(target_);
}

Canvas::~Canvas() {
    cairo_surface_mark_dirty(target_);
    if (bitmap_) bitmap_->StoreToDib();
    cairo_region_destroy(visible_);
}

void Canvas::Restrict(const RECT& rect) {
    cairo_rectangle_int_t area = ToCairoRect(rect);
    cairo_region_intersect_rectangle(visible_, &area);
}

void Canvas::Plot(int x, int y, const Paint& paint) {
    if (!IsVisible(x, y)) return;
    uint32_t* pixel = PixelAt(x, y);
    *pixel = paint.Apply(*pixel & 0xFFFFFF);
}

void Canvas::ForEachVisibleArea(const RECT& rect,
                                const std::function<void(const RECT&)>& visit) const {
    int count = cairo_region_num_rectangles(visible_);
    for (int i = 0; i < count; ++i) {
        cairo_rectangle_int_t part;
        cairo_region_get_rectangle(visible_, i, &part);
        RECT area;
        if (Intersect(rect, part, &area)) visit(area);
    }
}

void Canvas::ForEachVisible(const RECT& rect, const std::function<void(int, int)>& visit) const {
    ForEachVisibleArea(rect, [&](const RECT& area) {
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) visit(x, y);
    });
}

void Canvas::FillRect(const RECT& rect, const Paint& paint) {
    ForEachVisibleArea(rect, [&](const RECT& area) {
        for (int y = area.top; y < area.bottom; ++y) {
            uint32_t* row = PixelAt(0, y);
            for (int x = area.left; x < area.right; ++x) row[x] = paint.Apply(row[x] & 0xFFFFFF);
        }
    });
}

void Canvas::PaintMask(const CoverageMask& mask, const Paint& paint) {
    int width = mask.bounds.right - mask.bounds.left;
    ForEachVisible(mask.bounds, [&](int x, int y) {
        size_t index = static_cast<size_t>(y - mask.bounds.top) * width + (x - mask.bounds.left);
        if (!mask.covered[index]) return;
        uint32_t* pixel = PixelAt(x, y);
        *pixel = paint.Apply(*pixel & 0xFFFFFF);
    });
}

CoverageMask Canvas::Render(RECT bounds, const std::function<void(cairo_t*)>& draw) const {
    CoverageMask mask;
    cairo_rectangle_int_t extents;
    cairo_region_get_extents(visible_, &extents);
    if (!Intersect(bounds, extents, &mask.bounds)) return mask;
    int width = mask.bounds.right - mask.bounds.left;
    int height = mask.bounds.bottom - mask.bounds.top;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        mask.bounds = {};
        return mask;
    }
    cairo_t* cr = cairo_create(surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_translate(cr, -mask.bounds.left, -mask.bounds.top);
    draw(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    mask.covered.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            mask.covered[static_cast<size_t>(y) * width + x] = data[y * stride + x] >= 0x80;
    cairo_surface_destroy(surface);
    return mask;
}

cairo_t* Canvas::BeginCairo() {
    cairo_surface_mark_dirty(target_);
    cairo_t* cr = cairo_create(target_);
    int count = cairo_region_num_rectangles(visible_);
    for (int i = 0; i < count; ++i) {
        cairo_rectangle_int_t part;
        cairo_region_get_rectangle(visible_, i, &part);
        cairo_rectangle(cr, part.x, part.y, part.width, part.height);
    }
    cairo_clip(cr);
    return cr;
}

void Canvas::EndCairo(cairo_t* cr) {
    cairo_destroy(cr);
    cairo_surface_flush(target_);
}

}  // namespace kmxwin::gdi
