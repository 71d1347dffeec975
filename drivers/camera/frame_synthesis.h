// The picture a simulated camera sees: colour bars, a square that moves
// with time and the frame number, rendered as the camera's sensor pipeline
// would hand it on, in YCbCr 4:2:2 planes, with the picture settings
// (brightness, contrast, saturation, flip, mirror, zoom, pan and tilt)
// applied so that a client sees its settings take effect.
#pragma once

#include <cstdint>
#include <vector>

namespace kmxcam {

struct PictureSettings {
    int brightness = 0;       // added to luma, -255..255
    double contrast = 1.0;    // luma gain about mid-grey
    double saturation = 1.0;  // chroma gain
    bool flip = false;        // upside down
    bool mirror = false;      // left-right
    double zoom = 1.0;        // magnification, 1 = whole scene
    double pan = 0.0;         // view centre offset, -1..1 of the spare room
    double tilt = 0.0;
};

// One frame in planar YCbCr 4:2:2. The planes are padded to whole JPEG
// blocks (16 luma columns, 8 rows); the padding repeats the edge pixels.
struct YuvFrame {
    int width = 0, height = 0;
    int luma_stride = 0, chroma_stride = 0, rows = 0;
    std::vector<uint8_t> y, cb, cr;
    uint32_t number = 0;
};

void SynthesizeFrame(int width, int height, uint32_t number, const PictureSettings& settings,
                     YuvFrame& frame);

}  // namespace kmxcam
