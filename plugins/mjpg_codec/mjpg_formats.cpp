#include "mjpg_formats.h"

namespace kmxmjpg {
namespace {

// A JPEG image's sides are 16-bit.
constexpr LONG kLargestSide = 0xFFFF;

DWORD LowerFourcc(DWORD fourcc) {
    DWORD lower = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        DWORD c = (fourcc >> shift) & 0xFF;
        lower |= (c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) << shift;
    }
    return lower;
}

uint64_t Magnitude(LONG value) {
    return value < 0 ? uint64_t(-int64_t(value)) : uint64_t(value);
}

bool TakesInput(const BITMAPINFOHEADER& in) {
    // Compressed images are bottom-up by definition: a negative height is
    // no valid format for them.
    return in.biSize >= sizeof(BITMAPINFOHEADER) && SameFourcc(in.biCompression, kFourccMjpg) &&
           in.biWidth > 0 && in.biWidth <= kLargestSide && in.biHeight > 0 &&
           in.biHeight <= kLargestSide;
}

bool MakesOutput(const BITMAPINFOHEADER& in, const BITMAPINFOHEADER& out) {
    return out.biSize >= sizeof(BITMAPINFOHEADER) && out.biCompression == BI_RGB &&
           out.biPlanes == 1 && (out.biBitCount == 24 || out.biBitCount == 32) &&
           out.biWidth == in.biWidth && Magnitude(out.biHeight) == uint64_t(in.biHeight) &&
           // The image's size must fit the format's own field.
           DibImageSize(out) <= 0xFFFFFFFFu;
}

}  // namespace

bool SameFourcc(DWORD a, DWORD b) {
    return LowerFourcc(a) == LowerFourcc(b);
}

LRESULT QueryFormats(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out) {
    if (!in || !TakesInput(*in)) return ICERR_BADFORMAT;
    if (out && !MakesOutput(*in, *out)) return ICERR_BADFORMAT;
    return ICERR_OK;
}

BITMAPINFOHEADER DefaultOutput(const BITMAPINFOHEADER& in) {
    BITMAPINFOHEADER out{};
    out.biSize = sizeof out;
    out.biWidth = in.biWidth;
    out.biHeight = in.biHeight;
    out.biPlanes = 1;
    out.biBitCount = 24;
    out.biCompression = BI_RGB;
    out.biSizeImage = DWORD(DibImageSize(out));
    return out;
}

uint64_t DibImageSize(const BITMAPINFOHEADER& out) {
    uint64_t stride = (Magnitude(out.biWidth) * out.biBitCount + 31) / 32 * 4;
    return stride * Magnitude(out.biHeight);
}

}  // namespace kmxmjpg
