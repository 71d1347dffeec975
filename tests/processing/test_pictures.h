// Pictures for the frame-processing tests: a source picture with detail in
// both directions, its JPEG frames as cameras send them, and the measures
// that compare a decoded or scaled image with the source.
#pragma once

#include <cstdint>
#include <vector>

namespace kmxtest {

// Top-down rows of R, G, B.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// Smooth gradients with a few hard edges; no two rows and no two columns
// alike, so that a flipped or mirrored result cannot pass for the source.
Picture MakePicture(int width, int height);

enum class Subsampling { k444, k422, k420, kGray };

struct JpegOptions {
    int quality = 90;
    Subsampling subsampling = Subsampling::k422;
    bool huffman_tables = true;  // false: leave out the DHT segments
    bool own_tables = false;     // Huffman tables made for this picture, not the standard ones
    int restart_rows = 0;        // restart interval in MCU rows, 0 for none
};

std::vector<uint8_t> EncodeJpeg(const Picture& picture, const JpegOptions& options = {});

// True if the JPEG data holds a marker 0xFF CODE.
bool HasMarker(const std::vector<uint8_t>& jpeg, uint8_t code);

// An image of 3-byte pixels turned the simple way, pixel by pixel: FLIP
// swaps top and bottom, MIRROR left and right.
std::vector<uint8_t> Turned(const std::vector<uint8_t>& image, int width, int height, bool flip,
                            bool mirror);

// The picture as bottom-up rows of B, G, R: 24-bit RGB as Windows lays it out.
std::vector<uint8_t> ToBottomUpBgr(const Picture& picture);

// The image as top-down RGB, from the layouts the codec and scaler produce.
Picture FromBottomUpBgr(const uint8_t* data, int width, int height);
Picture FromBottomUpRgb555(const uint8_t* data, int width, int height);
// Packed 4:2:2, YUY2 (luma first) or UYVY, full-range BT.601 as in JPEG.
Picture FromPacked422(const uint8_t* data, int width, int height, bool luma_first);

// Peak signal-to-noise ratio in dB over all samples; the larger, the closer.
double Psnr(const Picture& a, const Picture& b);
// The same for luma only (the whole signal of a grey frame).
double LumaPsnr(const Picture& a, const Picture& b);

}  // namespace kmxtest
