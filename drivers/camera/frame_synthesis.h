// The picture a simulated camera sees: colour bars over its sensor's field
// (running the other way in the bottom quarter, so that up and down differ),
// a square that moves with time and the frame number, rendered as the
// camera's sensor pipeline would hand it on, in YCbCr 4:2:2 planes, with the
// picture settings applied — brightness, contrast, saturation, flip and
// mirror of the field, and the window of the field that zoom, pan and tilt
// select — so that a client sees its settings take effect.
#pragma once

#include <cstdint>
#include <vector>

namespace kmxcam {

struct PictureSettings {
    int brightness = 0;       // added to luma, -255..255
    double contrast = 1.0;    // luma gain about mid-grey
    double saturation = 1.0;  // chroma gain
    bool flip = false;        // the field upside down
    bool mirror = false;      // the field left-right
    // The sensor's field and the window of it that the frame shows, in
    // field pixels; a field of 0 x 0 (or a window that does not fit it)
    // shows the whole field at the frame's own size.
    uint32_t field_width = 0, field_height = 0;
    uint32_t window_x = 0, window_y = 0, window_width = 0, window_height = 0;
};

// One frame in planar YCbCr 4:2:2. The planes are padded to whole JPEG
// blocks (16 luma columns, 8 rows); the padding repeats the edge pixels.
struct YuvFrame {
    int width = 0, height = 0;
    int luma_stride = 0, chroma_stride = 0, rows = 0;
    std::vector<uint8_t> y, cb, cr;
    uint32_t number = 0;
};

// Renders frames one after another; once it and the frame have seen a
// size, rendering at that size allocates nothing.
class FrameSynthesizer {
  public:
    void Render(int width, int height, uint32_t number, const PictureSettings& settings,
                YuvFrame& frame);

  private:
    struct PaintedRow {
        std::vector<uint8_t> y, cb, cr;
    };
    // The field column and row each output column and row shows, the
    // palette index of each column in the upper and lower bars, and those
    // bars painted with this frame's settings.
    std::vector<int> scene_x_, scene_y_;
    std::vector<uint8_t> upper_bars_, lower_bars_, index_;
    PaintedRow upper_row_, lower_row_;
};

// One frame, for callers that need one now and then.
void SynthesizeFrame(int width, int height, uint32_t number, const PictureSettings& settings,
                     YuvFrame& frame);

}  // namespace kmxcam
