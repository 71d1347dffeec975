#include "gdi/bitmap.h"
#include "gdi/device_context.h"
#include "gdi/gdi_surface.h"

namespace kmxwin::gdi {

HDC CreateSurfaceDC(cairo_surface_t* surface, POINT origin, const RECT& clip) {
    if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE ||
        cairo_image_surface_get_format(surface) != CAIRO_FORMAT_RGB24) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto lock = LockGdi();
    auto dc = std::make_unique<Dc>(OBJ_DC, surface, origin, clip);
    SelectDefaultObjects(*dc, DEFAULT_GUI_FONT);
    return static_cast<HDC>(InsertObject(std::move(dc)));
}

void DeleteSurfaceDC(HDC hdc) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (dc && !dc->IsMemoryDc()) DeleteGdiObject(dc);
}

cairo_surface_t* BitmapSurface(HBITMAP hbitmap) {
    auto lock = LockGdi();
    Bitmap* bitmap = LookupObjectAs<Bitmap>(hbitmap, OBJ_BITMAP);
    if (!bitmap) return nullptr;
    bitmap->LoadFromDib();
    return bitmap->surface;
}

}  // namespace kmxwin::gdi
