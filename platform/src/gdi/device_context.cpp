#include "gdi/device_context.h"

#include "gdi/stock_objects.h"

#include <algorithm>
#include <cstdint>

namespace kmxwin::gdi {

LONG ClampCoordinate(int64_t value) {
    return static_cast<LONG>(std::clamp<int64_t>(value, -kMaxCoordinate, kMaxCoordinate));
}

Dc::Dc(DWORD object_type, cairo_surface_t* surface, POINT origin, const RECT& bounds)
    : GdiObject(object_type),
      surface_(surface ? cairo_surface_reference(surface) : nullptr),
      origin_(origin),
      bounds_(bounds) {}

Dc::~Dc() {
    auto release = [this](const DcState& held) {
        auto* bitmap = static_cast<Bitmap*>(held.bitmap.get());
        if (bitmap && bitmap->selected_in == this) bitmap->selected_in = nullptr;
    };
    release(state);
    for (const DcState& held : saved) release(held);
    if (surface_) cairo_surface_destroy(surface_);
}

cairo_surface_t* Dc::Target() const {
    return surface_ ? surface_ : SelectedBitmap()->surface;
}

POINT Dc::LogicalToDevice(int x, int y) const {
    return {ClampCoordinate(int64_t{x} - state.window_org.x + state.viewport_org.x),
            ClampCoordinate(int64_t{y} - state.window_org.y + state.viewport_org.y)};
}

POINT Dc::DeviceToLogical(int x, int y) const {
    return {ClampCoordinate(int64_t{x} - state.viewport_org.x + state.window_org.x),
            ClampCoordinate(int64_t{y} - state.viewport_org.y + state.window_org.y)};
}

POINT Dc::LogicalToSurface(int x, int y) const {
    POINT device = LogicalToDevice(x, y);
    return {ClampCoordinate(int64_t{device.x} + origin_.x),
            ClampCoordinate(int64_t{device.y} + origin_.y)};
}

RECT Dc::DeviceBounds() const {
    if (!surface_) return {0, 0, SelectedBitmap()->Width(), SelectedBitmap()->Height()};
    return {bounds_.left - origin_.x, bounds_.top - origin_.y, bounds_.right - origin_.x,
            bounds_.bottom - origin_.y};
}

cairo_region_t* Dc::VisibleRegion() const {
    cairo_surface_t* target = Target();
    RECT device = DeviceBounds();
    cairo_rectangle_int_t area = {device.left + origin_.x, device.top + origin_.y,
                                  device.right - device.left, device.bottom - device.top};
    cairo_rectangle_int_t whole = {0, 0, cairo_image_surface_get_width(target),
                                   cairo_image_surface_get_height(target)};
    cairo_region_t* visible = cairo_region_create_rectangle(&whole);
    cairo_region_intersect_rectangle(visible, &area);
    if (state.clip.get()) {
        cairo_region_t* clip = cairo_region_copy(state.clip.get());
        cairo_region_translate(clip, origin_.x, origin_.y);
        cairo_region_intersect(visible, clip);
        cairo_region_destroy(clip);
    }
    return visible;
}

Dc* LookupDc(HDC hdc) {
    GdiObject* object = LookupObject(hdc);
    if (!object) return nullptr;
    if (object->type != OBJ_DC && object->type != OBJ_MEMDC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return static_cast<Dc*>(object);
}

void SelectDefaultObjects(Dc& dc, int stock_font) {
    dc.state.pen = ObjectRef(StockObject(BLACK_PEN));
    dc.state.brush = ObjectRef(StockObject(WHITE_BRUSH));
    dc.state.font = ObjectRef(StockObject(stock_font));
    if (dc.IsMemoryDc()) {
        Bitmap* bitmap = DefaultBitmap();
        dc.state.bitmap = ObjectRef(bitmap);
    }
}

}  // namespace kmxwin::gdi
