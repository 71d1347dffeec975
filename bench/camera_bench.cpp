// Read-frame throughput of a simulated camera at 640x480 MJPG with a 1 ms
// frame period, and rendering one frame, beside encoding the same frame
// alone with libjpeg-turbo.
#include <windows.h>

#include <cstring>
#include <list>

#include "camera_service.h"
#include "frame_synthesis.h"
#include "mjpeg_encoder.h"
#include "ratio_reporter.h"

namespace {

using namespace kmxcam;

constexpr uint32_t kCapacity = 2 * 640 * 480 + 608;

void BM_EncodeFrameAlone(benchmark::State& state) {
    MjpegEncoder encoder;
    YuvFrame frame;
    SynthesizeFrame(640, 480, 1, PictureSettings{}, frame);
    std::vector<uint8_t> out;
    for (auto _ : state) encoder.Encode(frame, true, out);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EncodeFrameAlone)->UseRealTime();

// The camera renders every frame it sends, for several cameras at once: a
// zoomed, turned, retouched picture must cost little beside its encoding.
void BM_RenderFrame(benchmark::State& state) {
    FrameSynthesizer synthesizer;
    YuvFrame frame;
    PictureSettings settings{20, 1.2, 0.8, true, true, 640, 480, 100, 80, 320, 240};
    uint32_t number = 0;
    for (auto _ : state) synthesizer.Render(640, 480, number++, settings, frame);
    state.SetItemsProcessed(state.iterations());
    kmxbench::CompareWith(state, "BM_EncodeFrameAlone");
}
BENCHMARK(BM_RenderFrame)->UseRealTime();

uint32_t Command(HANDLE device, DWORD code, uint32_t stream, const void* payload, size_t length) {
    ConnectionRecord record{kUnwritten, stream, {}};
    std::memcpy(record.payload, payload, length);
    DWORD bytes = 0;
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!DeviceIoControl(device, code, &record, sizeof record, &record, sizeof record, &bytes,
                         &overlapped))
        GetOverlappedResult(device, &overlapped, &bytes, TRUE);
    CloseHandle(overlapped.hEvent);
    uint32_t answer;
    std::memcpy(&answer, record.payload, sizeof answer);
    return (record.status & 0xFF) == kSuccess ? answer : 0;
}

// Three reads in flight, as a capture client keeps them; one frame an iteration.
void BM_ReadFrameThroughput(benchmark::State& state) {
    std::string error;
    std::optional<ProfileSet> profiles = LoadProfiles(DefaultProfilePath(), error);
    if (!profiles) return state.SkipWithError(error.c_str());
    CameraService service(std::move(*profiles));
    std::optional<std::string> path = service.Plug("pantilt", "BENCH", error);
    HANDLE device =
        path ? CreateFileA((*path + kConnectSuffix).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                           nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr)
             : INVALID_HANDLE_VALUE;
    if (device == INVALID_HANDLE_VALUE) return state.SkipWithError("no camera");
    FormatRecord vga{640, 480, 24, {}, kMjpg, kCapacity, 1};
    uint32_t stream = Command(device, kStreamOpenCode, 0, &vga, sizeof vga);
    uint32_t streaming = 2;
    Command(device, kSetModeCode, stream, &streaming, sizeof streaming);

    struct Read {
        std::vector<BYTE> record = std::vector<BYTE>(sizeof(ReadFrameHeader) + kCapacity);
        OVERLAPPED overlapped{};
    };
    std::list<Read> reads(3);
    auto start = [&](Read& read) {
        ReadFrameHeader header{kUnwritten, stream, kCapacity, 0, {}};
        std::memcpy(read.record.data(), &header, sizeof header);
        DWORD bytes = 0;
        DeviceIoControl(device, kReadFrameCode, read.record.data(),
                        static_cast<DWORD>(read.record.size()), read.record.data(),
                        static_cast<DWORD>(read.record.size()), &bytes, &read.overlapped);
    };
    for (Read& read : reads) {
        read.overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        start(read);
    }
    for (auto _ : state) {
        Read& read = reads.front();
        DWORD bytes = 0;
        if (!GetOverlappedResult(device, &read.overlapped, &bytes, TRUE) ||
            read.record[0] != kSuccess)
            state.SkipWithError("read failed");
        start(read);
        reads.splice(reads.end(), reads, reads.begin());
    }
    state.SetItemsProcessed(state.iterations());
    CloseHandle(device);
    for (Read& read : reads) CloseHandle(read.overlapped.hEvent);
    kmxbench::CompareWith(state, "BM_EncodeFrameAlone");
}
BENCHMARK(BM_ReadFrameThroughput)->UseRealTime();

}  // namespace
