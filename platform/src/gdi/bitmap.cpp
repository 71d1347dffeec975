#include "gdi/bitmap.h"

#include <cstdlib>
#include <cstring>

namespace kmxwin::gdi {
namespace {

// Row Y of the image (0 = top) in the DIB's memory.
unsigned char* DibRow(const Bitmap& bitmap, int y) {
    int row = bitmap.dib.biHeight > 0 ? bitmap.Height() - 1 - y : y;
    return bitmap.dib_bits + static_cast<size_t>(row) * bitmap.dib_stride;
}

}  // namespace

Bitmap::Bitmap(cairo_surface_t* image, WORD bits_per_pixel)
    : GdiObject(OBJ_BITMAP), surface(image), bits_pixel(bits_per_pixel) {}

Bitmap::~Bitmap() {
    cairo_surface_destroy(surface);
    std::free(dib_bits);
}

void Bitmap::LoadFromDib() {
    if (!dib_bits || dib_shares_surface) return;
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    int bytes = dib.biBitCount / 8;
    for (int y = 0; y < Height(); ++y) {
        const unsigned char* in = DibRow(*this, y);
        uint32_t* out = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < Width(); ++x, in += bytes)
            out[x] = (uint32_t(in[2]) << 16) | (uint32_t(in[1]) << 8) | in[0];
    }
    cairo_surface_mark_dirty(surface);
}

void Bitmap::StoreToDib() {
    if (!dib_bits || dib_shares_surface) return;
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    int bytes = dib.biBitCount / 8;
    for (int y = 0; y < Height(); ++y) {
        unsigned char* out = DibRow(*this, y);
        const uint32_t* in =
            reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < Width(); ++x, out += bytes) {
            out[0] = in[x] & 0xFF;
            out[1] = (in[x] >> 8) & 0xFF;
            out[2] = (in[x] >> 16) & 0xFF;
            if (bytes == 4) out[3] = 0;
        }
    }
}

std::unique_ptr<Bitmap> NewBitmap(int width, int height) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    // New image surfaces are cleared to zero: black.
    return std::make_unique<Bitmap>(surface, 32);
}

}  // namespace kmxwin::gdi
