// The frame pipeline beside bare libjpeg-turbo (and libyuv) on the same
// camera frame (4:2:2, quality 80): one frame to 24-bit RGB at the camera's
// size against a bare tjDecompress2 to BGR, to "YUY2" and "UYVY" against a
// bare decode to planar YUV, and scaled 24-bit RGB against the bare decode
// followed by a bare libyuv scale. With flip and mirror switched on, the
// library's own turning of the picture is measured against the same
// pipeline on the same camera with both off.
//
// The pipeline runs as the capture driver runs it: the library's module
// start, a simulated camera served in this process, a camera connection and
// a camera handle.
#include "jpeg_baselines.h"
#include "ratio_reporter.h"

#include <kmx512u/kmxpi.h>

#include "camera_service.h"
#include "capture/module_lifecycle.h"
#include "device/camera_enumeration.h"
#include "device/kernel_channel.h"
#include "processing/client_formats.h"
#include "processing/frame_pipeline.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace kmxbench;

// The camera service with one camera of each kind plugged and listed, and the
// library started; for the whole run.
class Cameras {
  public:
    static Cameras& Get() {
        static Cameras cameras;
        return cameras;
    }
    bool Ready() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    // The connection id of the camera of PROFILE.
    DWORD Id(const std::string& profile) const {
        return profile == "compact" ? compact_ : pantilt_;
    }

  private:
    Cameras() {
        std::optional<kmxcam::ProfileSet> profiles =
            kmxcam::LoadProfiles(kmxcam::DefaultProfilePath(), error_);
        if (!profiles) return;
        service_ = std::make_unique<kmxcam::CameraService>(std::move(*profiles));
        if (!kmx::DriverAppStart()) {
            error_ = "the module start failed";
            return;
        }
        pantilt_ = Plug("pantilt");
        compact_ = Plug("compact");
    }
    DWORD Plug(const std::string& profile) {
        std::optional<std::string> path = service_->Plug(profile, profile, error_);
        if (!path || !kmx::RegisterCamera(path->c_str())) return 0;
        char listed[kmx::kCameraPathSize];
        for (DWORD id = 1; kmx::LookupCamera(listed, id); ++id)
            if (*path == listed) return id;
        error_ = profile + " is not listed";
        return 0;
    }

    std::string error_;
    std::unique_ptr<kmxcam::CameraService> service_;
    DWORD pantilt_ = 0, compact_ = 0;
};

kmx::FormatRecord Format(FrameSize size, DWORD compression, BYTE bits) {
    DWORD image_size = compression == kmx::kFourccMjpg ? 2u * size.width * size.height + 608
                                                       : DWORD(size.width) * size.height * bits / 8;
    return {uint16_t(size.width), uint16_t(size.height), bits, {}, compression, image_size, 33};
}

// Sets the library-side flip and mirror of the camera CONNECTION_ID.
bool Turn(DWORD connection_id, BYTE on) {
    KMXPI_HANDLE handle = nullptr;
    if (KMXPI_HandleOpen(connection_id, &handle) != KMXPI_STATUS_SUCCESS) return false;
    bool set = KMXPI_PropertySet(handle, &KMXPI_PROPSET_IMAGE, KMXPI_IMAGE_FLIP, 1, &on) == 0 &&
               KMXPI_PropertySet(handle, &KMXPI_PROPSET_IMAGE, KMXPI_IMAGE_MIRROR, 1, &on) == 0;
    KMXPI_HandleClose(&handle);
    return set;
}

// One camera frame of size FROM into a client frame of TO, in CLIENT's
// format, on the camera of PROFILE.
void PipelineBenchmark(benchmark::State& state, const std::string& profile, FrameSize from,
                       FrameSize to, DWORD compression, BYTE bits, const std::string& baseline) {
    Cameras& cameras = Cameras::Get();
    if (!cameras.Ready()) return state.SkipWithError(cameras.Error().c_str());
    kmx::CameraConnection connection;
    if (kmx::ConnectionOpen(connection, cameras.Id(profile), false) != 0)
        return state.SkipWithError("the camera does not open");
    const kmx::FormatRecord client = Format(to, compression, bits);
    kmx::PipelineState pipeline{};
    if (kmx::PipelineOpen(connection, pipeline, client, Format(from, kmx::kFourccMjpg, 24))) {
        std::vector<uint8_t> frame = CameraFrame(from);
        // Whole pages, as capture applications' buffers come; the decoder
        // stores rows differently by their alignment, which must not change
        // from run to run.
        constexpr size_t kPage = 4096;
        std::unique_ptr<BYTE, decltype(&std::free)> out(
            static_cast<BYTE*>(
                std::aligned_alloc(kPage, (client.image_size + kPage - 1) & ~(kPage - 1))),
            &std::free);
        for (auto _ : state) {
            if (!kmx::PipelineProcess(pipeline, DWORD(frame.size()), frame.data(),
                                      client.image_size, out.get()))
                state.SkipWithError("the pipeline dropped the frame");
            benchmark::DoNotOptimize(out.get());
        }
        CompareWith(state, baseline);
    } else {
        state.SkipWithError("the pipeline does not open");
    }
    kmx::PipelineClose(pipeline);
    kmx::ConnectionClose(connection);
}

void BM_BareDecodeBgr(benchmark::State& state, FrameSize size) {
    BareDecodeBgr(state, size);
}
void BM_BareDecodePlanar(benchmark::State& state, FrameSize size) {
    BareDecodePlanar(state, size);
}
void BM_BareDecodeScale(benchmark::State& state, FrameSize from, FrameSize to) {
    BareDecodeScale(state, from, to);
}

void BM_PipelineRgb24(benchmark::State& state, FrameSize size, std::string baseline) {
    PipelineBenchmark(state, "pantilt", size, size, kmx::kFourccRgb, 24, baseline);
}
void BM_PipelineYuy2(benchmark::State& state, FrameSize size, std::string baseline) {
    PipelineBenchmark(state, "pantilt", size, size, kmx::kFourccYuy2, 16, baseline);
}
void BM_PipelineUyvy(benchmark::State& state, FrameSize size, std::string baseline) {
    PipelineBenchmark(state, "pantilt", size, size, kmx::kFourccUyvy, 16, baseline);
}
void BM_PipelineScaledRgb24(benchmark::State& state, FrameSize from, FrameSize to,
                            std::string baseline) {
    PipelineBenchmark(state, "pantilt", from, to, kmx::kFourccRgb, 24, baseline);
}
// The camera that leaves flip and mirror to the library, with both off.
void BM_PipelineUprightRgb24(benchmark::State& state, FrameSize size, std::string baseline) {
    PipelineBenchmark(state, "compact", size, size, kmx::kFourccRgb, 24, baseline);
}
// Flipped and mirrored by the library.
void BM_PipelineTurnedRgb24(benchmark::State& state, FrameSize size, std::string baseline) {
    if (!Cameras::Get().Ready() || !Turn(Cameras::Get().Id("compact"), 1))
        return state.SkipWithError("flip and mirror cannot be set");
    PipelineBenchmark(state, "compact", size, size, kmx::kFourccRgb, 24, baseline);
    Turn(Cameras::Get().Id("compact"), 0);
}

BENCHMARK_CAPTURE(BM_BareDecodeBgr, vga, kVga)->UseRealTime();
BENCHMARK_CAPTURE(BM_PipelineRgb24, vga, kVga, "BM_BareDecodeBgr/vga")->UseRealTime();
BENCHMARK_CAPTURE(BM_BareDecodeBgr, qvga, kQvga)->UseRealTime();
BENCHMARK_CAPTURE(BM_PipelineRgb24, qvga, kQvga, "BM_BareDecodeBgr/qvga")->UseRealTime();

BENCHMARK_CAPTURE(BM_BareDecodePlanar, vga, kVga)->UseRealTime();
BENCHMARK_CAPTURE(BM_PipelineYuy2, vga, kVga, "BM_BareDecodePlanar/vga")->UseRealTime();
BENCHMARK_CAPTURE(BM_PipelineUyvy, vga, kVga, "BM_BareDecodePlanar/vga")->UseRealTime();
BENCHMARK_CAPTURE(BM_BareDecodePlanar, qvga, kQvga)->UseRealTime();
BENCHMARK_CAPTURE(BM_PipelineYuy2, qvga, kQvga, "BM_BareDecodePlanar/qvga")->UseRealTime();
BENCHMARK_CAPTURE(BM_PipelineUyvy, qvga, kQvga, "BM_BareDecodePlanar/qvga")->UseRealTime();

BENCHMARK_CAPTURE(BM_BareDecodeScale, vga_to_cif, kVga, kCif)->UseRealTime();
BENCHMARK_CAPTURE(BM_PipelineScaledRgb24, vga_to_cif, kVga, kCif, "BM_BareDecodeScale/vga_to_cif")
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_BareDecodeScale, qvga_to_qcif, kQvga, kQcif)->UseRealTime();
BENCHMARK_CAPTURE(BM_PipelineScaledRgb24, qvga_to_qcif, kQvga, kQcif,
                  "BM_BareDecodeScale/qvga_to_qcif")
    ->UseRealTime();

BENCHMARK_CAPTURE(BM_PipelineUprightRgb24, vga, kVga, "BM_BareDecodeBgr/vga")->UseRealTime();
BENCHMARK_CAPTURE(BM_PipelineTurnedRgb24, vga, kVga, "BM_PipelineUprightRgb24/vga")->UseRealTime();
BENCHMARK_CAPTURE(BM_PipelineUprightRgb24, qvga, kQvga, "BM_BareDecodeBgr/qvga")->UseRealTime();
BENCHMARK_CAPTURE(BM_PipelineTurnedRgb24, qvga, kQvga, "BM_PipelineUprightRgb24/qvga")
    ->UseRealTime();

}  // namespace
