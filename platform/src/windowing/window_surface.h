// The picture of a top-level window: a cairo image surface of the window's
// size that the window and its children paint into, each at its offset.
#pragma once

#include <cairo.h>

namespace kmxwin::win {

struct WindowSurface {
    WindowSurface(int width, int height);
    ~WindowSurface();
    WindowSurface(const WindowSurface&) = delete;
    WindowSurface& operator=(const WindowSurface&) = delete;

    // Keeps the picture's top-left part across a size change.
    void Resize(int width, int height);

    cairo_surface_t* surface = nullptr;
};

}  // namespace kmxwin::win
