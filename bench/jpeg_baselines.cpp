#include "jpeg_baselines.h"

#include "mjpeg_encoder.h"

#include <libyuv/convert_argb.h>
#include <libyuv/convert_from_argb.h>
#include <libyuv/scale_argb.h>
#include <turbojpeg.h>

namespace kmxbench {
namespace {

size_t Pixels(FrameSize size) {
    return size_t(size.width) * size_t(size.height);
}

// Scratch for one scale, allocated once.
struct ScaleBuffers {
    ScaleBuffers(FrameSize from, FrameSize to)
        : source_argb(Pixels(from) * 4), destination_argb(Pixels(to) * 4) {}
    std::vector<uint8_t> source_argb, destination_argb;
};

void Scale(const uint8_t* source, FrameSize from, uint8_t* destination, FrameSize to,
           ScaleBuffers& buffers) {
    libyuv::RGB24ToARGB(source, from.width * 3, buffers.source_argb.data(), from.width * 4,
                        from.width, from.height);
    libyuv::ARGBScale(buffers.source_argb.data(), from.width * 4, from.width, from.height,
                      buffers.destination_argb.data(), to.width * 4, to.width, to.height,
                      libyuv::kFilterBilinear);
    libyuv::ARGBToRGB24(buffers.destination_argb.data(), to.width * 4, destination, to.width * 3,
                        to.width, to.height);
}

bool DecodeBgr(tjhandle handle, const std::vector<uint8_t>& jpeg, FrameSize size, uint8_t* out) {
    return tjDecompress2(handle, jpeg.data(), jpeg.size(), out, size.width, size.width * 3,
                         size.height, TJPF_BGR, 0) == 0;
}

}  // namespace

std::vector<uint8_t> CameraFrame(FrameSize size, uint32_t number) {
    kmxcam::YuvFrame picture;
    kmxcam::SynthesizeFrame(size.width, size.height, number, {}, picture);
    std::vector<uint8_t> jpeg;
    kmxcam::MjpegEncoder(80).Encode(picture, true, jpeg);
    return jpeg;
}

void BareDecodeBgr(benchmark::State& state, FrameSize size) {
    std::vector<uint8_t> jpeg = CameraFrame(size);
    std::vector<uint8_t> out(Pixels(size) * 3);
    tjhandle handle = tjInitDecompress();
    for (auto _ : state) {
        if (!DecodeBgr(handle, jpeg, size, out.data())) state.SkipWithError("tjDecompress2 failed");
        benchmark::DoNotOptimize(out.data());
    }
    tjDestroy(handle);
}

void BareDecodePlanar(benchmark::State& state, FrameSize size) {
    std::vector<uint8_t> jpeg = CameraFrame(size);
    int chroma_width = (size.width + 1) / 2;
    std::vector<uint8_t> y(Pixels(size));
    std::vector<uint8_t> u(size_t(chroma_width) * size_t(size.height)), v(u.size());
    unsigned char* planes[3] = {y.data(), u.data(), v.data()};
    int strides[3] = {size.width, chroma_width, chroma_width};
    tjhandle handle = tjInitDecompress();
    for (auto _ : state) {
        if (tjDecompressToYUVPlanes(handle, jpeg.data(), jpeg.size(), planes, size.width, strides,
                                    size.height, 0) != 0)
            state.SkipWithError("tjDecompressToYUVPlanes failed");
        benchmark::DoNotOptimize(y.data());
    }
    tjDestroy(handle);
}

void BareScale(benchmark::State& state, FrameSize from, FrameSize to) {
    std::vector<uint8_t> source(Pixels(from) * 3, 0x80), destination(Pixels(to) * 3);
    ScaleBuffers buffers(from, to);
    for (auto _ : state) {
        Scale(source.data(), from, destination.data(), to, buffers);
        benchmark::DoNotOptimize(destination.data());
    }
}

void BareDecodeScale(benchmark::State& state, FrameSize from, FrameSize to) {
    std::vector<uint8_t> jpeg = CameraFrame(from);
    std::vector<uint8_t> decoded(Pixels(from) * 3), destination(Pixels(to) * 3);
    ScaleBuffers buffers(from, to);
    tjhandle handle = tjInitDecompress();
    for (auto _ : state) {
        if (!DecodeBgr(handle, jpeg, from, decoded.data()))
            state.SkipWithError("tjDecompress2 failed");
        Scale(decoded.data(), from, destination.data(), to, buffers);
        benchmark::DoNotOptimize(destination.data());
    }
    tjDestroy(handle);
}

}  // namespace kmxbench
