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
    {81, 90, 240},   {41, 240, 110}, {16, 128, 128}, {180, 44, 200}, {16, 128, 128},
};
constexpr uint8_t kBars = 8, kSquare = 8, kDigit = 9;

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

// Fills MAP with the field line each of its output lines shows: the window
// from START, EXTENT long, spread over OUTPUT lines (the padding repeats the
// last), in a field of FIELD lines that may be reversed.
void MapLines(std::vector<int>& map, int output, int64_t start, int64_t extent, int64_t field,
              bool reversed) {
    for (size_t i = 0; i < map.size(); ++i) {
        int64_t line = start + int64_t(std::min<size_t>(i, size_t(output) - 1)) * extent / output;
        map[i] = static_cast<int>(reversed ? field - 1 - line : line);
    }
}

}  // namespace

void FrameSynthesizer::Render(int width, int height, uint32_t number,
                              const PictureSettings& settings, YuvFrame& frame) {
    frame.width = width;
    frame.height = height;
    frame.number = number;
    frame.luma_stride = (width + 15) / 16 * 16;
    frame.chroma_stride = frame.luma_stride / 2;
    frame.rows = (height + 7) / 8 * 8;
    frame.y.resize(size_t(frame.luma_stride) * frame.rows);
    frame.cb.resize(size_t(frame.chroma_stride) * frame.rows);
    frame.cr.resize(size_t(frame.chroma_stride) * frame.rows);

    // The window of the field this frame shows, with flip and mirror turning
    // the whole field as the sensor reads it out.
    int64_t field_w = width, field_h = height, left = 0, top = 0, window_w = width,
            window_h = height;
    if (settings.field_width && settings.field_height && settings.window_width &&
        settings.window_height &&
        uint64_t(settings.window_x) + settings.window_width <= settings.field_width &&
        uint64_t(settings.window_y) + settings.window_height <= settings.field_height) {
        field_w = settings.field_width;
        field_h = settings.field_height;
        left = settings.window_x;
        top = settings.window_y;
        window_w = settings.window_width;
        window_h = settings.window_height;
    }
    scene_x_.resize(size_t(frame.luma_stride));
    scene_y_.resize(size_t(frame.rows));
    MapLines(scene_x_, width, left, window_w, field_w, settings.mirror);
    MapLines(scene_y_, height, top, window_h, field_h, settings.flip);

    uint8_t luma[256], chroma[256];
    for (int i = 0; i < 256; ++i) {
        luma[i] = Clamp((i - 128) * settings.contrast + 128 + settings.brightness);
        chroma[i] = Clamp((i - 128) * settings.saturation + 128);
    }

    // The square crosses the field once every 120 frames, bouncing vertically.
    int side = static_cast<int>(std::max<int64_t>(field_h / 6, 2));
    int square_x = static_cast<int>(number % 120 * (field_w - side) / 119);
    int bounce = static_cast<int>(number % 60);
    int square_y = static_cast<int>((bounce < 30 ? bounce : 60 - bounce) * (field_h - side) / 30);
    int cell = static_cast<int>(std::max<int64_t>(field_h / 60, 1));
    int64_t lower_bars_top = field_h * 3 / 4;

    // The bars depend on the column alone (and on which part of the field
    // the row lies in): their two rows are painted once a frame and copied.
    // The square and the digits are drawn over them only on the rows they
    // cross.
    upper_bars_.resize(size_t(frame.luma_stride));
    lower_bars_.resize(size_t(frame.luma_stride));
    for (size_t x = 0; x < upper_bars_.size(); ++x) {
        upper_bars_[x] =
            static_cast<uint8_t>(std::clamp<int64_t>(scene_x_[x] * kBars / field_w, 0, kBars - 1));
        lower_bars_[x] = static_cast<uint8_t>(kBars - 1 - upper_bars_[x]);
    }
    auto paint = [&](const std::vector<uint8_t>& index, uint8_t* y_row, uint8_t* cb_row,
                     uint8_t* cr_row) {
        for (int x = 0; x < frame.luma_stride; ++x) y_row[x] = luma[kPalette[index[x]].y];
        for (int x = 0; x < frame.chroma_stride; ++x) {
            const Colour& colour = kPalette[index[2 * x]];
            cb_row[x] = chroma[colour.cb];
            cr_row[x] = chroma[colour.cr];
        }
    };
    for (PaintedRow* row : {&upper_row_, &lower_row_}) {
        row->y.resize(size_t(frame.luma_stride));
        row->cb.resize(size_t(frame.chroma_stride));
        row->cr.resize(size_t(frame.chroma_stride));
    }
    paint(upper_bars_, upper_row_.y.data(), upper_row_.cb.data(), upper_row_.cr.data());
    paint(lower_bars_, lower_row_.y.data(), lower_row_.cb.data(), lower_row_.cr.data());

    for (int y = 0; y < frame.rows; ++y) {
        int sy = scene_y_[y];
        bool lower = sy >= lower_bars_top;
        bool square_row = sy >= square_y && sy < square_y + side;
        bool digit_row = sy < 5 * cell;
        uint8_t* y_row = &frame.y[size_t(y) * frame.luma_stride];
        uint8_t* cb_row = &frame.cb[size_t(y) * frame.chroma_stride];
        uint8_t* cr_row = &frame.cr[size_t(y) * frame.chroma_stride];
        if (!square_row && !digit_row) {
            const PaintedRow& row = lower ? lower_row_ : upper_row_;
            std::copy(row.y.begin(), row.y.end(), y_row);
            std::copy(row.cb.begin(), row.cb.end(), cb_row);
            std::copy(row.cr.begin(), row.cr.end(), cr_row);
            continue;
        }
        index_ = lower ? lower_bars_ : upper_bars_;
        for (int x = 0; x < frame.luma_stride; ++x) {
            int sx = scene_x_[x];
            if (square_row && sx >= square_x && sx < square_x + side) index_[x] = kSquare;
            if (digit_row && DigitPixel(number, sx, sy, cell)) index_[x] = kDigit;
        }
        paint(index_, y_row, cb_row, cr_row);
    }
}

void SynthesizeFrame(int width, int height, uint32_t number, const PictureSettings& settings,
                     YuvFrame& frame) {
    FrameSynthesizer().Render(width, height, number, settings, frame);
}

}  // namespace kmxcam
