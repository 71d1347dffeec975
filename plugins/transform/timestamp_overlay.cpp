#include "timestamp_overlay.h"

#include <algorithm>

namespace kmxstamp {

namespace {

constexpr uint32_t kYuy2 = 0x32595559;
constexpr uint32_t kUyvy = 0x59565955;

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

// Rows of 5 pixels, the leftmost in bit 4.
struct Glyph {
    char character;
    uint8_t rows[kGlyphHeight];
};
constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
};

bool GlyphPixel(char character, int column, int row) {
    for (const Glyph& glyph : kGlyphs)
        if (glyph.character == character)
            return (glyph.rows[row] >> (kGlyphWidth - 1 - column)) & 1;
    return false;  // a space, or a character without a glyph
}

// Writes one pixel, white or black, at (x, y) counted from the top left as
// the viewer sees it.
void Plot(const KMXTransformFormat& format, uint8_t* frame, uint32_t x, uint32_t y, bool white) {
    size_t width = format.width;
    if (format.compression == 0) {
        // RGB frames are stored bottom row first.
        size_t row = format.height - 1 - y;
        if (format.bits == 24) {
            std::fill_n(frame + (row * width + x) * 3, 3, white ? 0xFF : 0x00);
        } else {
            uint8_t* pixel = frame + (row * width + x) * 2;
            pixel[0] = white ? 0xFF : 0x00;  // RGB 5-5-5, top bit clear
            pixel[1] = white ? 0x7F : 0x00;
        }
        return;
    }
    // Packed 4:2:2: each pixel has its luma and one of its pair's chroma
    // samples; neutral chroma keeps the box free of colour.
    uint8_t* pixel = frame + (size_t(y) * width + x) * 2;
    bool luma_first = format.compression == kYuy2;
    pixel[luma_first ? 0 : 1] = white ? 0xFF : 0x00;
    pixel[luma_first ? 1 : 0] = 0x80;
}

}  // namespace

bool CanDraw(const KMXTransformFormat& format, uint32_t size) {
    bool rgb = format.compression == 0 && (format.bits == 24 || format.bits == 16);
    bool packed = (format.compression == kYuy2 || format.compression == kUyvy) && format.bits == 16;
    if (!rgb && !packed) return false;
    if (format.width == 0 || format.height == 0) return false;
    return uint64_t(format.width) * format.height * format.bits / 8 <= size;
}

void DrawText(const KMXTransformFormat& format, uint8_t* frame, std::string_view text) {
    // One font pixel per 240 lines, so the stamp reads the same on a small
    // and a large frame.
    uint32_t scale = std::max<uint32_t>(1, format.height / 240);
    uint32_t margin = 2 * scale;
    uint32_t box_width = (uint32_t(text.size()) * (kGlyphWidth + 1) + 1) * scale;
    uint32_t box_height = (kGlyphHeight + 2) * scale;
    uint32_t right = std::min<uint64_t>(format.width, uint64_t(margin) + box_width);
    uint32_t bottom = std::min<uint64_t>(format.height, uint64_t(margin) + box_height);
    for (uint32_t y = margin; y < bottom; ++y) {
        for (uint32_t x = margin; x < right; ++x) {
            // Box coordinates in font pixels; the box has a one-pixel
            // border around the glyphs, which are one pixel apart.
            uint32_t bx = (x - margin) / scale, by = (y - margin) / scale;
            bool white = false;
            if (bx >= 1 && by >= 1 && by <= kGlyphHeight) {
                uint32_t cell = (bx - 1) / (kGlyphWidth + 1), column = (bx - 1) % (kGlyphWidth + 1);
                white = cell < text.size() && column < kGlyphWidth &&
                        GlyphPixel(text[cell], int(column), int(by - 1));
            }
            Plot(format, frame, x, y, white);
        }
    }
}

}  // namespace kmxstamp
