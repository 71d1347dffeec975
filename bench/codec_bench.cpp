// The frame path's plug-ins beside the bare libraries they are built on,
// on the camera's own frames (4:2:2, quality 80): the codec's conversation
// for one frame to 24-bit RGB against a bare tjDecompress2 to BGR, to YUY2
// against a bare decode to planar YUV, and the scaler against bare libyuv.
#include "codec_conversation.h"
#include "mjpeg_encoder.h"
#include "ratio_reporter.h"

#include <kmx512u/kmxscale.h>
#include <kmx512u/pegasus_record.h>

#include <libyuv/convert_argb.h>
#include <libyuv/convert_from_argb.h>
#include <libyuv/scale_argb.h>
#include <turbojpeg.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

struct FrameSize {
    int width;
    int height;
};

std::vector<uint8_t> CameraFrame(FrameSize size) {
    kmxcam::YuvFrame picture;
    kmxcam::SynthesizeFrame(size.width, size.height, 1, {}, picture);
    std::vector<uint8_t> jpeg;
    kmxcam::MjpegEncoder(80).Encode(picture, true, jpeg);
    return jpeg;
}

template <class F>
F Entry(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

void BM_BareDecodeBgr(benchmark::State& state, FrameSize size) {
    std::vector<uint8_t> jpeg = CameraFrame(size);
    std::vector<uint8_t> out(size_t(size.width) * size_t(size.height) * 3);
    tjhandle handle = tjInitDecompress();
    for (auto _ : state) {
        if (tjDecompress2(handle, jpeg.data(), jpeg.size(), out.data(), size.width, size.width * 3, size.height,
                          TJPF_BGR, 0) != 0)
            state.SkipWithError("tjDecompress2 failed");
        benchmark::DoNotOptimize(out.data());
    }
    tjDestroy(handle);
}

void BM_BareDecodePlanar(benchmark::State& state, FrameSize size) {
    std::vector<uint8_t> jpeg = CameraFrame(size);
    int chroma_width = (size.width + 1) / 2;
    std::vector<uint8_t> y(size_t(size.width) * size_t(size.height));
    std::vector<uint8_t> u(size_t(chroma_width) * size_t(size.height)), v(u.size());
    unsigned char* planes[3] = {y.data(), u.data(), v.data()};
    int strides[3] = {size.width, chroma_width, chroma_width};
    tjhandle handle = tjInitDecompress();
    for (auto _ : state) {
        if (tjDecompressToYUVPlanes(handle, jpeg.data(), jpeg.size(), planes, size.width, strides, size.height,
                                    0) != 0)
            state.SkipWithError("tjDecompressToYUVPlanes failed");
        benchmark::DoNotOptimize(y.data());
    }
    tjDestroy(handle);
}

void CodecBenchmark(benchmark::State& state, FrameSize size, uint32_t bits, uint32_t packing,
                    const std::string& baseline) {
    HMODULE codec = LoadLibraryA("picn20.dll");
    auto pegasus = Entry<PEGASUS_ENTRY>(codec, "Pegasus");
    auto query = Entry<PEGASUS_QUERY_ENTRY>(codec, "PegasusQuery");
    if (!pegasus || !query) {
        state.SkipWithError("picn20 not found");
        return;
    }
    std::vector<uint8_t> jpeg = CameraFrame(size);
    std::vector<uint8_t> out(size_t(size.width) * size_t(size.height) * bits / 8);
    for (auto _ : state) {
        if (kmxtest::DecodeFrame(pegasus, query, jpeg.data(), jpeg.size(), bits, packing, out.data(), out.size())
                .answer != PEGASUS_ANSWER_DONE)
            state.SkipWithError("the codec refused");
        benchmark::DoNotOptimize(out.data());
    }
    kmxbench::CompareWith(state, baseline);
    FreeLibrary(codec);
}

void BM_CodecRgb24(benchmark::State& state, FrameSize size, std::string baseline) {
    CodecBenchmark(state, size, 24, PEGASUS_PACKING_RGB, baseline);
}

void BM_CodecYuy2(benchmark::State& state, FrameSize size, std::string baseline) {
    CodecBenchmark(state, size, 16, PEGASUS_PACKING_YUY2, baseline);
}

void BM_CodecUyvy(benchmark::State& state, FrameSize size, std::string baseline) {
    CodecBenchmark(state, size, 16, PEGASUS_PACKING_UYVY, baseline);
}

constexpr FrameSize kVga{640, 480};
constexpr FrameSize kQvga{320, 240};
constexpr FrameSize kCif{352, 288};

BENCHMARK_CAPTURE(BM_BareDecodeBgr, vga, kVga)->UseRealTime();
BENCHMARK_CAPTURE(BM_CodecRgb24, vga, kVga, "BM_BareDecodeBgr/vga")->UseRealTime();
BENCHMARK_CAPTURE(BM_BareDecodeBgr, qvga, kQvga)->UseRealTime();
BENCHMARK_CAPTURE(BM_CodecRgb24, qvga, kQvga, "BM_BareDecodeBgr/qvga")->UseRealTime();
BENCHMARK_CAPTURE(BM_BareDecodePlanar, vga, kVga)->UseRealTime();
BENCHMARK_CAPTURE(BM_CodecYuy2, vga, kVga, "BM_BareDecodePlanar/vga")->UseRealTime();
BENCHMARK_CAPTURE(BM_CodecUyvy, vga, kVga, "BM_BareDecodePlanar/vga")->UseRealTime();
BENCHMARK_CAPTURE(BM_BareDecodePlanar, qvga, kQvga)->UseRealTime();
BENCHMARK_CAPTURE(BM_CodecYuy2, qvga, kQvga, "BM_BareDecodePlanar/qvga")->UseRealTime();

// The camera's VGA frame to a CIF client, the scaler's usual work.
void BM_BareScale(benchmark::State& state) {
    std::vector<uint8_t> source(size_t(kVga.width) * kVga.height * 3, 0x80);
    std::vector<uint8_t> source_argb(size_t(kVga.width) * kVga.height * 4);
    std::vector<uint8_t> destination_argb(size_t(kCif.width) * kCif.height * 4);
    std::vector<uint8_t> destination(size_t(kCif.width) * kCif.height * 3);
    for (auto _ : state) {
        libyuv::RGB24ToARGB(source.data(), kVga.width * 3, source_argb.data(), kVga.width * 4, kVga.width,
                            kVga.height);
        libyuv::ARGBScale(source_argb.data(), kVga.width * 4, kVga.width, kVga.height, destination_argb.data(),
                          kCif.width * 4, kCif.width, kCif.height, libyuv::kFilterBilinear);
        libyuv::ARGBToRGB24(destination_argb.data(), kCif.width * 4, destination.data(), kCif.width * 3,
                            kCif.width, kCif.height);
        benchmark::DoNotOptimize(destination.data());
    }
}
BENCHMARK(BM_BareScale)->UseRealTime();

void BM_Scaler(benchmark::State& state) {
    HMODULE plugin = LoadLibraryA("KMXScale.dll");
    auto open = Entry<KMXSCALE_HANDLE_OPEN>(plugin, "KMXScaleHandleOpen");
    auto process = Entry<KMXSCALE_PROCESS>(plugin, "KMXScaleProcess");
    auto close = Entry<KMXSCALE_HANDLE_CLOSE>(plugin, "KMXScaleHandleClose");
    KMXSCALE_HANDLE handle = 0;
    if (!open || !process || !close || open(&handle, kVga.width, kVga.height, kCif.width, kCif.height) != 0) {
        state.SkipWithError("KMXScale not found");
        return;
    }
    std::vector<uint8_t> source(size_t(kVga.width) * kVga.height * 3, 0x80);
    std::vector<uint8_t> destination(size_t(kCif.width) * kCif.height * 3);
    for (auto _ : state) {
        if (process(&handle, source.data(), uint32_t(source.size()), destination.data(),
                    uint32_t(destination.size())) != 0)
            state.SkipWithError("the scaler refused");
        benchmark::DoNotOptimize(destination.data());
    }
    kmxbench::CompareWith(state, "BM_BareScale");
    close(&handle);
    FreeLibrary(plugin);
}
BENCHMARK(BM_Scaler)->UseRealTime();

}  // namespace
