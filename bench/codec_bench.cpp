// The frame path's plug-ins beside the bare libraries they are built on,
// on the camera's own frames (4:2:2, quality 80): one frame decoded as the
// frame pipeline decodes it, to 24-bit RGB against a bare tjDecompress2 to
// BGR, to YUY2 against a bare decode to planar YUV, and the scaler against
// bare libyuv.
#include "jpeg_baselines.h"
#include "ratio_reporter.h"

#include <kmx512u/kmxscale.h>
#include <kmx512u/pegasus_record.h>

#include <windows.h>

#include <kmxrecords/camera_commands.h>

#include "processing/frame_decoding.h"

#include <string>
#include <vector>

namespace {

using namespace kmxbench;

template <class F>
F Entry(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

void BM_BareDecodeBgr(benchmark::State& state, FrameSize size) {
    BareDecodeBgr(state, size);
}
void BM_BareDecodePlanar(benchmark::State& state, FrameSize size) {
    BareDecodePlanar(state, size);
}

void CodecBenchmark(benchmark::State& state, FrameSize size, uint32_t bits, uint32_t compression,
                    const std::string& baseline) {
    HMODULE codec = LoadLibraryA(kmx::kCodecLibrary);
    auto pegasus = Entry<PEGASUS_ENTRY>(codec, "Pegasus");
    auto query = Entry<PEGASUS_QUERY_ENTRY>(codec, "PegasusQuery");
    if (!pegasus || !query) {
        state.SkipWithError("picn20 not found");
        return;
    }
    std::vector<uint8_t> jpeg = CameraFrame(size);
    std::vector<uint8_t> out(size_t(size.width) * size_t(size.height) * bits / 8);
    for (auto _ : state) {
        if (kmx::DecodeCameraFrame(pegasus, query, jpeg.data(), DWORD(jpeg.size()), bits,
                                   compression, 0, out.data(), DWORD(out.size())) != 0)
            state.SkipWithError("the codec refused");
        benchmark::DoNotOptimize(out.data());
    }
    kmxbench::CompareWith(state, baseline);
    FreeLibrary(codec);
}

void BM_CodecRgb24(benchmark::State& state, FrameSize size, std::string baseline) {
    CodecBenchmark(state, size, 24, kmx::kFourccRgb, baseline);
}

void BM_CodecYuy2(benchmark::State& state, FrameSize size, std::string baseline) {
    CodecBenchmark(state, size, 16, kmx::kFourccYuy2, baseline);
}

void BM_CodecUyvy(benchmark::State& state, FrameSize size, std::string baseline) {
    CodecBenchmark(state, size, 16, kmx::kFourccUyvy, baseline);
}

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
    BareScale(state, kVga, kCif);
}
BENCHMARK(BM_BareScale)->UseRealTime();

void BM_Scaler(benchmark::State& state) {
    HMODULE plugin = LoadLibraryA("KMXScale.dll");
    auto open = Entry<KMXSCALE_HANDLE_OPEN>(plugin, "KMXScaleHandleOpen");
    auto process = Entry<KMXSCALE_PROCESS>(plugin, "KMXScaleProcess");
    auto close = Entry<KMXSCALE_HANDLE_CLOSE>(plugin, "KMXScaleHandleClose");
    KMXSCALE_HANDLE handle = 0;
    if (!open || !process || !close ||
        open(&handle, kVga.width, kVga.height, kCif.width, kCif.height) != 0) {
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
