// A capture client streaming 640x480 24-bit RGB at the camera's 30 frames a
// second through the linking driver, as applications do, with the other
// core kept busy: the frames the camera made, the reads it answered and the
// frames delivered (a read answered but not delivered was dropped by the
// newest-frame rule, or found no buffer); the read service thread's CPU
// time per delivered frame beside the frame pipeline alone converting each
// frame delivered; and the delay from the camera's answer to the client's
// callback.
#include <windows.h>
#include <msviddrv.h>
#include <vfw.h>

#include <kmx512u/kmxvfw.h>

#include "camera_service.h"
#include "capture/module_lifecycle.h"
#include "device/camera_enumeration.h"
#include "device/camera_connection.h"
#include "frame_synthesis.h"
#include "mjpeg_encoder.h"
#include "processing/client_formats.h"
#include "processing/frame_pipeline.h"
#include "ratio_reporter.h"

#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace {

using namespace kmxbench;
using std::chrono::steady_clock;

constexpr size_t kFrames = 2000;
constexpr size_t kBuffers = 10;
constexpr DWORD kMicrosecondsPerFrame = 33333;
constexpr DWORD kFrameBytes = 640 * 480 * 3;

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The camera service with the pan/tilt camera plugged and listed.
class Camera {
  public:
    Camera() {
        std::optional<kmxcam::ProfileSet> profiles =
            kmxcam::LoadProfiles(kmxcam::DefaultProfilePath(), error_);
        if (!profiles) return;
        service_ = std::make_unique<kmxcam::CameraService>(std::move(*profiles));
        std::optional<std::string> path = service_->Plug("pantilt", "P", error_);
        if (!path || !kmx::RegisterCamera(path->c_str())) {
            error_ = "the camera is not listed";
            return;
        }
        char listed[kmx::kCameraPathSize];
        for (DWORD id = 1; kmx::LookupCamera(listed, id); ++id)
            if (*path == listed) id_ = id;
    }
    const std::string& Error() const { return error_; }
    DWORD Id() const { return id_; }
    kmxcam::SimulatedCamera::FrameCounters Counters() { return *service_->Counters("P"); }

  private:
    std::string error_;
    std::unique_ptr<kmxcam::CameraService> service_;
    DWORD id_ = 0;
};

// The frame pipeline alone, opened as the library opens it, converting on a
// thread of its own the camera frame of each number delivered: the same work
// at the same pace and in the same conditions (the busy core, the machine's
// speed of the moment) as the stream's own conversion.
//
// The frame is made first, as the simulated camera makes it and outside the
// time measured, because making it is what runs just before the stream's
// conversion too: the caches the conversion finds are in the same state. A
// conversion that ran right after the stream's, with the decoder's code and
// tables still warm, would take some 8% less time than the stream's own.
// And the two never meet: the baseline's work starts a while after the
// delivery, once the stream has gone back to waiting for its next frame,
// and its thread never displaces another when it is woken.
class PipelineAlone {
  public:
    explicit PipelineAlone(DWORD camera_id) {
        // As many buffers as the stream fills in turn, so that the memory
        // written stays in the caches no more than in the stream.
        for (size_t i = 0; i < kBuffers; ++i) out_.emplace_back(kFrameBytes);
        kmx::FormatRecord client{640, 480, 24, {}, kmx::kFourccRgb, kFrameBytes, 33};
        kmx::FormatRecord mjpg{640, 480, 24, {}, kmx::kFourccMjpg, 2 * 640 * 480 + 608, 33};
        // The benchmark's own copy of the library, started as the module is.
        static const bool started = kmx::DriverAppStart();
        opened_ = started && kmx::ConnectionOpen(connection_, camera_id, false) == 0 &&
                  kmx::PipelineOpen(connection_, pipeline_, client, mjpg);
        if (opened_) thread_ = std::thread([this] { Run(); });
    }
    ~PipelineAlone() {
        if (opened_) {
            stopping_.store(true, std::memory_order_release);
            thread_.join();
            kmx::PipelineClose(pipeline_);
        }
        kmx::ConnectionClose(connection_);
    }
    bool Opened() const { return opened_; }
    // Camera frame NUMBER was delivered: it is converted a quarter of a
    // frame period later. Called on the stream's thread, it makes no system
    // call: one would cost the stream more than its own time (without
    // process-context identifiers, every kernel entry empties the TLB).
    void Kick(uint32_t number) {
        size_t tail = tail_.load(std::memory_order_relaxed);
        // A baseline that fell that far behind skips the frame.
        if (tail - head_.load(std::memory_order_acquire) == kDueSlots) return;
        due_[tail % kDueSlots] = {number, steady_clock::now() + kSettle};
        tail_.store(tail + 1, std::memory_order_release);
    }
    // CPU seconds per frame converted so far.
    double PerFrame() {
        std::lock_guard guard(lock_);
        return converted_ ? cpu_ / double(converted_) : 0;
    }

  private:
    static constexpr auto kSettle = std::chrono::microseconds(kMicrosecondsPerFrame / 4);
    static constexpr auto kPeriod = std::chrono::microseconds(kMicrosecondsPerFrame);
    static constexpr auto kPoll = std::chrono::milliseconds(1);
    static constexpr size_t kDueSlots = 64;  // far more than are ever due at once
    struct Due {
        uint32_t number;
        steady_clock::time_point at;
    };

    // The deliveries are not signalled: the thread looks for the next one
    // when it is due to come, a frame period after the last, and then every
    // millisecond until it has come.
    void Run() {
        // Batch scheduling: woken, the thread waits for a processor rather
        // than taking the stream's.
        sched_param batch{};
        pthread_setschedparam(pthread_self(), SCHED_BATCH, &batch);
        size_t next = 0;
        steady_clock::time_point look = steady_clock::now();
        while (!stopping_.load(std::memory_order_acquire)) {
            size_t head = head_.load(std::memory_order_relaxed);
            if (tail_.load(std::memory_order_acquire) == head) {
                look = std::max(look, steady_clock::now() + kPoll);
                std::this_thread::sleep_until(look);
                continue;
            }
            Due due = due_[head % kDueSlots];
            head_.store(head + 1, std::memory_order_release);
            std::this_thread::sleep_until(due.at);
            look = due.at + kPeriod;
            // The pan/tilt camera's picture at its default settings, encoded
            // with its Huffman tables at its quality: the frame it sent.
            synthesizer_.Render(640, 480, due.number, {}, picture_);
            encoder_.Encode(picture_, true, frame_);
            double start = ThreadCpuSeconds();
            kmx::PipelineProcess(pipeline_, DWORD(frame_.size()), frame_.data(), kFrameBytes,
                                 out_[next].data());
            double spent = ThreadCpuSeconds() - start;
            next = (next + 1) % kBuffers;
            std::lock_guard guard(lock_);
            cpu_ += spent;
            ++converted_;
        }
    }

    kmxcam::FrameSynthesizer synthesizer_;
    kmxcam::MjpegEncoder encoder_;
    kmxcam::YuvFrame picture_;
    std::vector<uint8_t> frame_;
    std::vector<std::vector<BYTE>> out_;
    kmx::CameraConnection connection_;
    kmx::PipelineState pipeline_{};
    bool opened_ = false;
    Due due_[kDueSlots] = {};
    std::atomic<size_t> head_{0};  // deliveries taken so far
    std::atomic<size_t> tail_{0};  // deliveries kicked so far
    std::atomic<bool> stopping_{false};
    std::mutex lock_;  // guards cpu_ and converted_
    double cpu_ = 0;
    size_t converted_ = 0;
    std::thread thread_;
};

// What the client's callback sees, on the read service's thread.
struct Deliveries {
    Camera* camera = nullptr;
    PipelineAlone* alone = nullptr;
    HDRVR channel = nullptr;
    std::mutex lock;
    std::vector<double> latencies;       // seconds from the camera's answer
    double first_cpu = 0, last_cpu = 0;  // the thread's CPU clock at the first and last
    double bookkeeping = 0;  // seconds of the benchmark's own part of the callbacks in that span
    size_t delivered = 0;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

void CALLBACK OnStream(HDRVR, UINT message, DWORD_PTR instance, DWORD_PTR parameter, DWORD_PTR) {
    auto* header = reinterpret_cast<VIDEOHDR*>(parameter);
    // Buffers handed back unfilled by the reset are no deliveries.
    if (message != MM_DRVM_DATA || !(header->dwFlags & VHDR_DONE)) return;
    steady_clock::time_point now = steady_clock::now();
    auto* deliveries = reinterpret_cast<Deliveries*>(instance);
    // The thread's CPU clock is read (a system call) only at the ends of the
    // span measured. Asking the camera service when it answered and handing
    // the frame to the baseline are the benchmark's own work, not the
    // stream's: their time is taken out below.
    std::lock_guard guard(deliveries->lock);
    size_t delivered = ++deliveries->delivered;
    if (delivered == 1) deliveries->first_cpu = ThreadCpuSeconds();
    kmxcam::SimulatedCamera::FrameCounters counters = deliveries->camera->Counters();
    // The camera numbers its frames from 0 in the order it answers reads.
    deliveries->alone->Kick(uint32_t(counters.reads_completed - 1));
    deliveries->latencies.push_back(
        std::chrono::duration<double>(now - counters.last_read_at).count());
    if (delivered >= kFrames) {
        deliveries->last_cpu = ThreadCpuSeconds();
        SetEvent(deliveries->done);
        return;
    }
    deliveries->bookkeeping += std::chrono::duration<double>(steady_clock::now() - now).count();
    // The buffer goes straight back into the queue.
    header->dwFlags &= ~VHDR_DONE;
    SendDriverMessage(deliveries->channel, DVM_STREAM_ADDBUFFER, parameter, sizeof(VIDEOHDR));
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size())))];
}

void BM_StreamVgaRgb24(benchmark::State& state) {
    Camera camera;
    if (!camera.Error().empty()) return state.SkipWithError(camera.Error().c_str());
    VIDEO_OPEN_PARMS open{};
    open.dwSize = sizeof open;
    open.dwFlags = VIDEO_IN;
    HDRVR channel =
        OpenDriver(u"" KMXVFW32_LINKING_DRIVER, nullptr, reinterpret_cast<LPARAM>(&open));
    if (!channel) return state.SkipWithError("the capture channel does not open");
    PipelineAlone alone(camera.Id());
    if (!alone.Opened()) {
        CloseDriver(channel, 0, 0);
        return state.SkipWithError("the pipeline alone does not open");
    }
    Deliveries deliveries;
    deliveries.latencies.reserve(kFrames);
    deliveries.camera = &camera;
    deliveries.alone = &alone;
    deliveries.channel = channel;
    std::vector<VIDEOHDR> headers(kBuffers);
    std::vector<std::vector<BYTE>> data(kBuffers, std::vector<BYTE>(kFrameBytes));
    VIDEO_STREAM_INIT_PARMS init{kMicrosecondsPerFrame, reinterpret_cast<DWORD_PTR>(&OnStream),
                                 reinterpret_cast<DWORD_PTR>(&deliveries), CALLBACK_FUNCTION,
                                 nullptr};
    std::atomic<bool> busy{true};
    std::thread other_core([&] {
        while (busy.load(std::memory_order_relaxed)) benchmark::DoNotOptimize(busy);
    });
    for (auto _ : state) {
        if (SendDriverMessage(channel, DVM_STREAM_INIT, reinterpret_cast<LPARAM>(&init),
                              sizeof init) != DV_ERR_OK) {
            state.SkipWithError("the stream does not start");
            break;
        }
        for (size_t i = 0; i < kBuffers; ++i) {
            headers[i] = VIDEOHDR{data[i].data(), kFrameBytes, 0, 0, 0, 0, {}};
            auto header = reinterpret_cast<LPARAM>(&headers[i]);
            SendDriverMessage(channel, DVM_STREAM_PREPAREHEADER, header, sizeof(VIDEOHDR));
            headers[i].dwFlags |= VHDR_PREPARED;
            SendDriverMessage(channel, DVM_STREAM_ADDBUFFER, header, sizeof(VIDEOHDR));
        }
        kmxcam::SimulatedCamera::FrameCounters before = camera.Counters();
        SendDriverMessage(channel, DVM_STREAM_START, 0, 0);
        WaitForSingleObject(deliveries.done, INFINITE);
        SendDriverMessage(channel, DVM_STREAM_STOP, 0, 0);
        kmxcam::SimulatedCamera::FrameCounters after = camera.Counters();
        SendDriverMessage(channel, DVM_STREAM_RESET, 0, 0);
        for (VIDEOHDR& header : headers)
            SendDriverMessage(channel, DVM_STREAM_UNPREPAREHEADER,
                              reinterpret_cast<LPARAM>(&header), sizeof(VIDEOHDR));
        SendDriverMessage(channel, DVM_STREAM_FINI, 0, 0);

        std::lock_guard guard(deliveries.lock);
        double per_frame = (deliveries.last_cpu - deliveries.first_cpu - deliveries.bookkeeping) /
                           double(std::max<size_t>(deliveries.delivered - 1, 1));
        state.SetIterationTime(per_frame);
        state.counters["produced"] = double(after.frames_produced - before.frames_produced);
        state.counters["read"] = double(after.reads_completed - before.reads_completed);
        state.counters["delivered"] = double(deliveries.delivered);
        state.counters["latency_median_us"] = Percentile(deliveries.latencies, 0.5) * 1e6;
        state.counters["latency_p99_us"] = Percentile(deliveries.latencies, 0.99) * 1e6;
        state.counters["pipeline_alone_ns"] = alone.PerFrame() * 1e9;
    }
    busy = false;
    other_core.join();
    CloseDriver(channel, 0, 0);
    CloseHandle(deliveries.done);
    CompareWith(state, "pipeline_alone_ns");
}

BENCHMARK(BM_StreamVgaRgb24)->UseManualTime()->Iterations(1);

}  // namespace
