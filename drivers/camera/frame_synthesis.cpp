#include "frame_synthesis.h"

#include <algorithm>
#include <cmath>

namespace kmxcam {

namespace {

struct Colour {
    uint8_t y, cb, cr;
};

// Palette: the eight bars (white, yellow, cyan, green, magenta, red, blue,
// black), then the moving square and the digits.
constexpr Colour kPalette[] = {
    {235, 128, 128}, {210, 16, 146}, {170, 166, 16}, {145, 54, 34},  {106, 202, 222},
    {81, 90, 240},   {41, 240, 110}, {16, 128, 128}, {180, 44, 200}, {235, 128, 128},
};
constexpr uint8_t kSquare = 8, kDigit = 9;

// Digits 0-9 on a 3x5 grid, one row per three bits.
constexpr uint16_t kFont[10] = {0x7B6F, 0x2C97, 0x73E7, 0x73CF, 0x5BC9,
                                0x79CF, 0x79EF, 0x7249, 0x7BEF, 0x7BCF};

bool DigitPixel(uint32_t number, int x, int y, int cell) {
    // Eight digits, each 4 cells wide with the gap, from the top left.
    int column = x / cell, row = y / cell;
    if (row >= 5 || column >= 8 * 4 || column % 4 == 3) return false;
    int position = column / 4;
    uint32_t digit = number;
    for (int i = 7; i > position; --i) digit /= 10;
    uint16_t bits = kFont[digit % 10];
    return bits >> (14 - (row * 3 + column % 4)) & 1;
}

uint8_t Clamp(double value) {
    return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

}  // namespace

void SynthesizeFrame(int width, int height, uint32_t number, const PictureSettings& settings,
                     YuvFrame& frame) {
    frame.width = width;
    frame.height = height;
    frame.number = number;
    frame.luma_stride = (width + 15) / 16 * 16;
    frame.chroma_stride = frame.luma_stride / 2;
    frame.rows = (height + 7) / 8 * 8;
    frame.y.resize(size_t(frame.luma_stride) * frame.rows);
    frame.cb.resize(size_t(frame.chroma_stride) * frame.rows);
    frame.cr.resize(size_t(frame.chroma_stride) * frame.rows);

    // Where each output column and row looks in the scene: the zoomed view
    // window, moved by pan and tilt, then mirrored or flipped.
    double zoom = std::max(settings.zoom, 1.0);
    double view_w = width / zoom, view_h = height / zoom;
    double left = (width - view_w) / 2 * (1 + std::clamp(settings.pan, -1.0, 1.0));
    double top = (height - view_h) / 2 * (1 + std::clamp(settings.tilt, -1.0, 1.0));
    std::vector<int> scene_x(frame.luma_stride), scene_y(frame.rows);
    for (int x = 0; x < frame.luma_stride; ++x) {
        int out = std::min(x, width - 1);
        if (settings.mirror) out = width - 1 - out;
        scene_x[x] = static_cast<int>(left + out * view_w / width);
    }
    for (int y = 0; y < frame.rows; ++y) {
        int out = std::min(y, height - 1);
        if (settings.flip) out = height - 1 - out;
        scene_y[y] = static_cast<int>(top + out * view_h / height);
    }

    uint8_t luma[256], chroma[256];
    for (int i = 0; i < 256; ++i) {
        luma[i] = Clamp((i - 128) * settings.contrast + 128 + settings.brightness);
        chroma[i] = Clamp((i - 128) * settings.saturation + 128);
    }

    // The square crosses the scene once every 120 frames, bouncing vertically.
    int side = std::max(height / 6, 2);
    int square_x = static_cast<int>(number % 120 * (width - side) / 119);
    int bounce = static_cast<int>(number % 60);
    int square_y = (bounce < 30 ? bounce : 60 - bounce) * (height - side) / 30;
    int cell = std::max(height / 60, 1);

    // The bars depend on the column alone; the square and the digits are
    // drawn over them only on the rows they cross.
    std::vector<uint8_t> bars(frame.luma_stride), index(frame.luma_stride);
    for (int x = 0; x < frame.luma_stride; ++x)
        bars[x] = static_cast<uint8_t>(std::clamp(scene_x[x] * 8 / width, 0, 7));
    for (int y = 0; y < frame.rows; ++y) {
        int sy = scene_y[y];
        bool square_row = sy >= square_y && sy < square_y + side;
        bool digit_row = sy < 5 * cell;
        index = bars;
        if (square_row || digit_row) {
            for (int x = 0; x < frame.luma_stride; ++x) {
                int sx = scene_x[x];
                if (square_row && sx >= square_x && sx < square_x + side) index[x] = kSquare;
                if (digit_row && DigitPixel(number, sx, sy, cell)) index[x] = kDigit;
            }
        }
        uint8_t* y_row = &frame.y[size_t(y) * frame.luma_stride];
        uint8_t* cb_row = &frame.cb[size_t(y) * frame.chroma_stride];
        uint8_t* cr_row = &frame.cr[size_t(y) * frame.chroma_stride];
        for (int x = 0; x < frame.luma_stride; ++x) y_row[x] = luma[kPalette[index[x]].y];
        for (int x = 0; x < frame.chroma_stride; ++x) {
            const Colour& colour = kPalette[index[2 * x]];
            cb_row[x] = chroma[colour.cb];
            cr_row[x] = chroma[colour.cr];
        }
    }
}

}  // namespace kmxcam
