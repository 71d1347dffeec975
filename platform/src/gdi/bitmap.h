// Bitmaps. Every bitmap is drawn through a cairo image surface in
// CAIRO_FORMAT_RGB24. A DIB section also has the caller's bits in the DIB's
// own layout; a 32-bit top-down DIB shares its memory with the surface, any
// other layout is copied in before GDI touches the pixels and out after it
// drew, so the caller's bits always show what GDI drew (as after GdiFlush).
#pragma once

#include "gdi/object_table.h"

#include <cairo.h>

#include <cstddef>

namespace kmxwin::gdi {

class Dc;

struct Bitmap : GdiObject {
    Bitmap(cairo_surface_t* image, WORD bits_per_pixel);
    ~Bitmap() override;

    int Width() const { return cairo_image_surface_get_width(surface); }
    int Height() const { return cairo_image_surface_get_height(surface); }

    // Copies the caller's DIB bits into the surface (when they are separate).
    void LoadFromDib();
    // Copies the surface into the caller's DIB bits (when they are separate).
    void StoreToDib();

    cairo_surface_t* surface;
    WORD bits_pixel;  // what GetObject reports
    // DIB sections only.
    BITMAPINFOHEADER dib{};
    unsigned char* dib_bits = nullptr;
    size_t dib_stride = 0;
    bool dib_shares_surface = false;
    // The memory DC this bitmap is selected into: a bitmap is in one DC at most.
    Dc* selected_in = nullptr;
};

// A new bitmap of WIDTH x HEIGHT, cleared to black; nullptr with
// ERROR_NOT_ENOUGH_MEMORY when it cannot be had.
std::unique_ptr<Bitmap> NewBitmap(int width, int height);

}  // namespace kmxwin::gdi
