#include "windowing/window_surface.h"

#include <algorithm>

namespace kmxwin::win {
namespace {

cairo_surface_t* MakeSurface(int width, int height) {
    return cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(width, 1), std::max(height, 1));
}

}  // namespace

WindowSurface::WindowSurface(int width, int height) : surface(MakeSurface(width, height)) {}

WindowSurface::~WindowSurface() {
    cairo_surface_destroy(surface);
}

void WindowSurface::Resize(int width, int height) {
    if (cairo_image_surface_get_width(surface) == std::max(width, 1) &&
        cairo_image_surface_get_height(surface) == std::max(height, 1))
        return;
    cairo_surface_t* resized = MakeSurface(width, height);
    cairo_t* cr = cairo_create(resized);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    surface = resized;
}

}  // namespace kmxwin::win
