#include "pixel_rows.h"

#include "failures.h"

#include <algorithm>

namespace kmxcap {
namespace {

BYTE Clamp(int value) {
    return static_cast<BYTE>(std::clamp(value, 0, 255));
}

// BT.601 studio range, as packed YUV from a camera is.
void YuvToRgb(int y, int u, int v, BYTE* rgb) {
    int c = 298 * (y - 16), d = u - 128, e = v - 128;
    rgb[0] = Clamp((c + 409 * e + 128) >> 8);
    rgb[1] = Clamp((c - 100 * d - 208 * e + 128) >> 8);
    rgb[2] = Clamp((c + 516 * d + 128) >> 8);
}

}  // namespace

std::vector<BYTE> RgbRows(const BITMAPINFOHEADER& format, const BYTE* data, size_t size) {
    std::optional<FormatKind> kind = KindOf(format);
    if (!kind || !Uncompressed(*kind))
        throw kmxtool::Failure(
            "a picture needs an uncompressed format (rgb24, rgb16, yuy2, uyvy), "
            "not " +
            Describe(format));
    size_t width = static_cast<size_t>(format.biWidth),
           height = static_cast<size_t>(format.biHeight);
    size_t stride = width * format.biBitCount / 8;
    if (size < stride * height) throw kmxtool::Failure("the frame is shorter than its format");
    std::vector<BYTE> rgb(width * height * 3);
    for (size_t row = 0; row < height; ++row) {
        BYTE* out = rgb.data() + row * width * 3;
        bool bottom_up = *kind == FormatKind::Rgb24 || *kind == FormatKind::Rgb16;
        const BYTE* in = data + (bottom_up ? height - 1 - row : row) * stride;
        for (size_t x = 0; x < width; ++x, out += 3) {
            switch (*kind) {
                case FormatKind::Rgb24:
                    out[0] = in[3 * x + 2], out[1] = in[3 * x + 1], out[2] = in[3 * x];
                    break;
                case FormatKind::Rgb16: {
                    unsigned pixel = in[2 * x] | in[2 * x + 1] << 8;
                    out[0] = static_cast<BYTE>((pixel >> 10 & 31) * 255 / 31);
                    out[1] = static_cast<BYTE>((pixel >> 5 & 31) * 255 / 31);
                    out[2] = static_cast<BYTE>((pixel & 31) * 255 / 31);
                    break;
                }
                default: {
                    // Two pixels share one U and one V: Y0 U Y1 V, or U Y0 V Y1.
                    const BYTE* pair = in + (x & ~size_t{1}) * 2;
                    bool yuy2 = *kind == FormatKind::Yuy2;
                    int y = yuy2 ? pair[(x & 1) * 2] : pair[(x & 1) * 2 + 1];
                    int u = yuy2 ? pair[1] : pair[0], v = yuy2 ? pair[3] : pair[2];
                    YuvToRgb(y, u, v, out);
                }
            }
        }
    }
    return rgb;
}

}  // namespace kmxcap
