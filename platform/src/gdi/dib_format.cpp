#include "gdi/dib_format.h"

#include <bit>
#include <cstring>

namespace kmxwin::gdi {
namespace {

// Dimensions beyond this are refused rather than trusted.
constexpr int kMaxDimension = 1 << 16;

uint32_t Channel(uint32_t value, DWORD mask) {
    if (!mask) return 0;
    int shift = std::countr_zero(mask);
    int bits = std::popcount(mask);
    uint32_t channel = (value & mask) >> shift;
    // Widen to eight bits by repeating the high bits, as 5-bit 31 -> 255.
    if (bits >= 8) return channel >> (bits - 8);
    uint32_t wide = channel << (8 - bits);
    return wide | (wide >> bits);
}

}  // namespace

size_t DibStride(int width, int bits_per_pixel) {
    return ((static_cast<size_t>(width) * bits_per_pixel + 31) / 32) * 4;
}

bool ParseDib(const BITMAPINFO* info, UINT usage, DibLayout* layout) {
    const BITMAPINFOHEADER* header = info ? &info->bmiHeader : nullptr;
    bool ok = header && header->biSize >= sizeof(BITMAPINFOHEADER) && header->biPlanes == 1 &&
              header->biWidth > 0 && header->biWidth <= kMaxDimension && header->biHeight != 0 &&
              header->biHeight >= -kMaxDimension && header->biHeight <= kMaxDimension &&
              usage == DIB_RGB_COLORS;
    DibLayout result;
    if (ok) {
        result.width = header->biWidth;
        result.height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
        result.bottom_up = header->biHeight > 0;
        result.bits_per_pixel = header->biBitCount;
        result.stride = DibStride(result.width, result.bits_per_pixel);
        const unsigned char* after_header =
            reinterpret_cast<const unsigned char*>(header) + header->biSize;
        switch (header->biBitCount) {
            case 8:
                ok = header->biCompression == BI_RGB && header->biClrUsed <= 256;
                result.colors = reinterpret_cast<const RGBQUAD*>(after_header);
                result.color_count = header->biClrUsed ? header->biClrUsed : 256;
                break;
            case 16:
            case 32:
                if (header->biCompression == BI_BITFIELDS) {
                    std::memcpy(result.masks, after_header, sizeof result.masks);
                } else {
                    ok = header->biCompression == BI_RGB;
                    if (header->biBitCount == 16) {
                        result.masks[0] = 0x7C00, result.masks[1] = 0x03E0,
                        result.masks[2] = 0x001F;
                    } else {
                        result.masks[0] = 0xFF0000, result.masks[1] = 0xFF00,
                        result.masks[2] = 0xFF;
                    }
                }
                break;
            case 24:
                ok = header->biCompression == BI_RGB;
                break;
            default:
                ok = false;
        }
    }
    if (!ok) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    *layout = result;
    return true;
}

uint32_t DibPixel(const DibLayout& layout, const unsigned char* bits, int x, int row) {
    const unsigned char* line = bits + static_cast<size_t>(row) * layout.stride;
    switch (layout.bits_per_pixel) {
        case 8: {
            int index = line[x];
            if (index >= layout.color_count) return 0;
            const RGBQUAD& color = layout.colors[index];
            return (uint32_t(color.rgbRed) << 16) | (uint32_t(color.rgbGreen) << 8) | color.rgbBlue;
        }
        case 16:
        case 32: {
            uint32_t value = 0;
            std::memcpy(&value, line + x * (layout.bits_per_pixel / 8), layout.bits_per_pixel / 8);
            return (Channel(value, layout.masks[0]) << 16) |
                   (Channel(value, layout.masks[1]) << 8) | Channel(value, layout.masks[2]);
        }
        default: {
            const unsigned char* p = line + x * 3;
            return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
        }
    }
}

}  // namespace kmxwin::gdi
