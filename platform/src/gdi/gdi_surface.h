// What the window system needs of GDI: device contexts on its windows'
// surfaces, and the surfaces behind memory bitmaps.
#pragma once

#include <cairo.h>
#include <windows.h>

namespace kmxwin::gdi {

// A device context that draws onto `surface` (a cairo image surface in
// CAIRO_FORMAT_RGB24), with logical (0,0) at surface point `origin` and all
// drawing clipped to `clip` (surface coordinates). The window system hands
// these out from GetDC/BeginPaint; the DC starts with the stock objects and
// the dialog font selected, as a window's DC does.
HDC CreateSurfaceDC(cairo_surface_t* surface, POINT origin, const RECT& clip);
// Frees a DC made by CreateSurfaceDC; objects selected into it are not deleted.
void DeleteSurfaceDC(HDC dc);
// The cairo image surface behind a memory bitmap (for the window system's snapshots).
cairo_surface_t* BitmapSurface(HBITMAP bitmap);

}  // namespace kmxwin::gdi
