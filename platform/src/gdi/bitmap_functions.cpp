// Bitmaps and block transfers: memory bitmaps, DIB sections, PatBlt, BitBlt,
// StretchBlt and the transfers of DIBs onto a DC.
#include "gdi/bitmap.h"
#include "gdi/block_transfer.h"
#include "gdi/dib_format.h"
#include "gdi/drawing_objects.h"
#include "gdi/stock_objects.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace kmxwin::gdi;

namespace {

// The largest bitmap side cairo's image surfaces take.
constexpr int kMaxBitmapSide = 32767;

// The rectangle from (X, Y) across W and H, either of which may be negative.
RECT SpanRect(int x, int y, int64_t w, int64_t h) {
    LONG x2 = ClampCoordinate(x + w), y2 = ClampCoordinate(y + h);
    return {std::min<LONG>(x, x2), std::min<LONG>(y, y2), std::max<LONG>(x, x2),
            std::max<LONG>(y, y2)};
}

// A block transfer that reads no source: the brush under a binary raster
// operation.
BOOL PatternBlt(Dc& dc, int x, int y, int w, int h, DWORD rop) {
    if (RopUsesSource(rop)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* brush = static_cast<const Brush*>(dc.state.brush.get());
    if (RopUsesPattern(rop) && brush->Hollow()) return TRUE;
    Canvas canvas(dc);
    POINT a = dc.LogicalToSurface(x, y);
    RECT box = SpanRect(a.x, a.y, w, h);
    canvas.FillRect(box, Paint{ToPixel(brush->log.lbColor), Rop3ToRop2(rop)});
    return TRUE;
}

// Copies DIB rows FIRST_ROW .. FIRST_ROW + ROWS - 1 (in memory order, BITS
// holding the first of them) of the image's rows WANTED (top-down).
SourcePixels CopyFromDib(const DibLayout& layout, const unsigned char* bits, const RECT& wanted,
                         int first_row, int rows) {
    auto memory_row = [&](int y) { return layout.bottom_up ? layout.height - 1 - y : y; };
    int top = layout.bottom_up ? layout.height - first_row - rows : first_row;
    RECT available = {0, std::max(0, top), layout.width, std::min(layout.height, top + rows)};
    return CopySource(wanted, available, [&](int x, int y) {
        return DibPixel(layout, bits, x, memory_row(y) - first_row);
    });
}

}  // namespace

extern "C" {

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    auto lock = LockGdi();
    if (!LookupDc(hdc)) return nullptr;
    if (cx < 0 || cy < 0 || cx > kMaxBitmapSide || cy > kMaxBitmapSide) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (cx == 0 || cy == 0) {
        Bitmap* stock = DefaultBitmap();
        return stock ? static_cast<HBITMAP>(stock->handle) : nullptr;
    }
    std::unique_ptr<Bitmap> bitmap = NewBitmap(cx, cy);
    return bitmap ? static_cast<HBITMAP>(InsertObject(std::move(bitmap))) : nullptr;
}

HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                                HANDLE hSection, DWORD offset) {
    (void)offset;
    auto lock = LockGdi();
    if (ppvBits) *ppvBits = nullptr;
    if (hdc && !LookupDc(hdc)) return nullptr;
    DibLayout layout;
    if (!ParseDib(pbmi, usage, &layout)) return nullptr;
    if (hSection || pbmi->bmiHeader.biCompression != BI_RGB ||
        (layout.bits_per_pixel != 24 && layout.bits_per_pixel != 32) ||
        layout.width > kMaxBitmapSide || layout.height > kMaxBitmapSide) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* bits = static_cast<unsigned char*>(std::calloc(layout.height, layout.stride));
    if (!bits) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::unique_ptr<Bitmap> bitmap;
    bool shares = layout.bits_per_pixel == 32 && !layout.bottom_up;
    if (shares) {
        cairo_surface_t* surface = cairo_image_surface_create_for_data(
            bits, CAIRO_FORMAT_RGB24, layout.width, layout.height, static_cast<int>(layout.stride));
        if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
            bitmap = std::make_unique<Bitmap>(surface, 32);
        } else {
            cairo_surface_destroy(surface);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        }
    } else {
        bitmap = NewBitmap(layout.width, layout.height);
    }
    if (!bitmap) {
        std::free(bits);
        return nullptr;
    }
    bitmap->bits_pixel = static_cast<WORD>(layout.bits_per_pixel);
    bitmap->dib = pbmi->bmiHeader;
    bitmap->dib.biSize = sizeof(BITMAPINFOHEADER);
    bitmap->dib.biSizeImage = static_cast<DWORD>(layout.stride * layout.height);
    bitmap->dib_bits = bits;
    bitmap->dib_stride = layout.stride;
    bitmap->dib_shares_surface = shares;
    HBITMAP handle = static_cast<HBITMAP>(InsertObject(std::move(bitmap)));
    if (handle && ppvBits) *ppvBits = bits;
    return handle;
}

BOOL WINAPI PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    return dc && PatternBlt(*dc, x, y, w, h, rop);
}

BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc,
                       int xSrc, int ySrc, int wSrc, int hSrc, DWORD rop) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdcDest);
    if (!dc) return FALSE;
    if (!RopUsesSource(rop)) return PatternBlt(*dc, xDest, yDest, wDest, hDest, rop);
    Dc* source_dc = LookupDc(hdcSrc);
    if (!source_dc) return FALSE;
    POINT s = source_dc->LogicalToSurface(xSrc, ySrc);
    RECT wanted = {std::min(s.x, s.x + wSrc), std::min(s.y, s.y + hSrc), std::max(s.x, s.x + wSrc),
                   std::max(s.y, s.y + hSrc)};
    SourcePixels source = CopyFromDc(*source_dc, wanted);
    Canvas canvas(*dc);
    POINT d = dc->LogicalToSurface(xDest, yDest);
    StretchTransfer(canvas, d.x, d.y, wDest, hDest, s.x, s.y, wSrc, hSrc, source, rop);
    return TRUE;
}

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    return StretchBlt(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop);
}

int WINAPI StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc,
                         int ySrc, int SrcWidth, int SrcHeight, const void* lpBits,
                         const BITMAPINFO* lpbmi, UINT iUsage, DWORD rop) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    DibLayout layout;
    if (!dc || !ParseDib(lpbmi, iUsage, &layout)) return 0;
    if (!lpBits) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // A bottom-up DIB counts source rows from its lower-left corner.
    int top = layout.bottom_up ? ClampCoordinate(int64_t{layout.height} - ySrc - int64_t{SrcHeight})
                               : ySrc;
    RECT wanted = SpanRect(xSrc, top, SrcWidth, SrcHeight);
    SourcePixels source =
        CopyFromDib(layout, static_cast<const unsigned char*>(lpBits), wanted, 0, layout.height);
    Canvas canvas(*dc);
    POINT d = dc->LogicalToSurface(xDest, yDest);
    StretchTransfer(canvas, d.x, d.y, DestWidth, DestHeight, xSrc, top, SrcWidth, SrcHeight, source,
                    rop);
    return std::abs(SrcHeight);
}

int WINAPI SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc,
                             UINT StartScan, UINT cLines, const void* lpvBits,
                             const BITMAPINFO* lpbmi, UINT ColorUse) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    DibLayout layout;
    if (!dc || !ParseDib(lpbmi, ColorUse, &layout)) return 0;
    if (!lpvBits || w > static_cast<DWORD>(layout.width) || h > static_cast<DWORD>(layout.height) ||
        StartScan > static_cast<UINT>(layout.height)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int lines = static_cast<int>(std::min<UINT>(cLines, layout.height - StartScan));
    int width = static_cast<int>(w), height = static_cast<int>(h);
    int top = layout.bottom_up ? ClampCoordinate(int64_t{layout.height} - ySrc - height) : ySrc;
    RECT wanted = SpanRect(xSrc, top, width, height);
    SourcePixels source = CopyFromDib(layout, static_cast<const unsigned char*>(lpvBits), wanted,
                                      static_cast<int>(StartScan), lines);
    Canvas canvas(*dc);
    POINT d = dc->LogicalToSurface(xDest, yDest);
    StretchTransfer(canvas, d.x, d.y, width, height, xSrc, top, width, height, source, SRCCOPY);
    return lines;
}

}  // extern "C"
