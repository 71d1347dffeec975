// The baselines of the frame-path benchmarks: bare libjpeg-turbo and libyuv
// on the camera's own frames (4:2:2, quality 80), doing the least work that
// gives the same result as the code measured beside them.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace kmxbench {

struct FrameSize {
    int width;
    int height;
};

inline constexpr FrameSize kVga{640, 480};
inline constexpr FrameSize kCif{352, 288};
inline constexpr FrameSize kQvga{320, 240};
inline constexpr FrameSize kQcif{176, 144};

// Camera frame NUMBER of SIZE as the simulated camera sends it.
std::vector<uint8_t> CameraFrame(FrameSize size, uint32_t number = 1);

// tjDecompress2 to BGR rows, the bare decode to 24-bit RGB.
void BareDecodeBgr(benchmark::State& state, FrameSize size);
// tjDecompressToYUVPlanes: the frame's own 4:2:2 planes.
void BareDecodePlanar(benchmark::State& state, FrameSize size);
// 24-bit RGB of size FROM scaled to TO with libyuv's bilinear filter, as
// the scaler does it: through ARGB.
void BareScale(benchmark::State& state, FrameSize from, FrameSize to);
// The decode and the scale one after the other.
void BareDecodeScale(benchmark::State& state, FrameSize from, FrameSize to);

}  // namespace kmxbench
