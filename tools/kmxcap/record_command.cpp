// kmxcap record: a stream from the camera into a file, with a progress
// line on a terminal and a summary at the end. An interruption ends the
// stream early and the file is still completed.
#include <unistd.h>

#include "camera_choice.h"
#include "camera_counters.h"
#include "capture_command.h"
#include "client_format.h"
#include "failures.h"
#include "frame_sink.h"
#include "stream_capture.h"

#include <cstdio>
#include <iostream>

namespace kmxcap {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr unsigned kDefaultFps = 30;
// Enough for the driver to count skipped frames, which it does for 25 or more.
constexpr size_t kDefaultBuffers = 30;
constexpr auto kProgressEvery = milliseconds(500);
// A camera that sends nothing for this long is reported, not waited for.
constexpr auto kSilence = std::chrono::seconds(10);

struct Tally {
    uint64_t delivered = 0;
    milliseconds worst{0};
    milliseconds total{0};
};

double Seconds(steady_clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

void RunRecord(kmxtool::CommandLine& line, kmxtool::Output& output, HANDLE interrupt) {
    DriverChoice driver = ChooseDriver(line);
    CameraReservation camera(ChooseCamera(line));
    std::optional<std::string> path = line.Option("-o");
    std::optional<std::string> frames_text = line.Option("--frames");
    std::optional<std::string> seconds_text = line.Option("--seconds");
    std::optional<std::string> fps_text = line.Option("--fps");
    std::optional<std::string> buffers_text = line.Option("--buffers");
    if (!path) throw kmxtool::UsageError("where to? give -o FILE");
    if (!frames_text == !seconds_text) throw kmxtool::UsageError("give --frames N or --seconds S");
    uint64_t frames = frames_text ? kmxtool::ParseUnsigned(*frames_text, "--frames", 1u << 30) : 0;
    uint64_t seconds = seconds_text ? kmxtool::ParseUnsigned(*seconds_text, "--seconds", 86400) : 0;
    if (frames_text ? frames == 0 : seconds == 0)
        throw kmxtool::UsageError("record at least one frame or one second");
    auto fps = static_cast<unsigned>(fps_text ? kmxtool::ParseUnsigned(*fps_text, "--fps", 1000)
                                              : kDefaultFps);
    if (fps == 0) throw kmxtool::UsageError("--fps is at least 1");
    size_t buffers =
        buffers_text ? kmxtool::ParseUnsigned(*buffers_text, "--buffers", 1000) : kDefaultBuffers;
    if (buffers == 0) throw kmxtool::UsageError("--buffers is at least 1");

    CaptureChannel channel(driver);
    BITMAPINFOHEADER format = ApplyRequestedFormat(channel, line);
    line.Finish();
    std::unique_ptr<FrameSink> sink = OpenSink(*path, format, fps);
    std::optional<uint64_t> produced_before = FramesProduced(camera.Id());

    bool terminal = isatty(STDERR_FILENO) && !output.Json();
    Tally tally;
    DWORD skipped = 0;
    auto start = steady_clock::now();
    auto deadline = start + std::chrono::seconds(seconds);
    bool interrupted = false;
    {
        StreamCapture stream(channel, buffers, format.biSizeImage, 1000000 / fps);
        auto next_progress = start + kProgressEvery;
        while (frames ? tally.delivered < frames : steady_clock::now() < deadline) {
            auto wait = frames
                            ? kSilence
                            : std::min<milliseconds>(kSilence, std::chrono::ceil<milliseconds>(
                                                                   deadline - steady_clock::now()));
            std::optional<DeliveredFrame> frame = stream.Next(interrupt, wait);
            if (WaitForSingleObject(interrupt, 0) == WAIT_OBJECT_0) {
                interrupted = true;
                break;
            }
            if (!frame) {
                if (!frames && steady_clock::now() >= deadline) break;
                throw kmxtool::Failure("no frame came for " + std::to_string(kSilence.count()) +
                                       " seconds");
            }
            sink->Write(reinterpret_cast<const BYTE*>(frame->header->lpData),
                        frame->header->dwBytesUsed);
            ++tally.delivered;
            tally.total += frame->latency;
            tally.worst = std::max(tally.worst, frame->latency);
            stream.Requeue(*frame->header);
            if (terminal && steady_clock::now() >= next_progress) {
                next_progress += kProgressEvery;
                double elapsed = Seconds(steady_clock::now() - start);
                std::optional<uint64_t> produced = FramesProduced(camera.Id());
                long long dropped = produced && produced_before
                                        ? static_cast<long long>(*produced - *produced_before) -
                                              static_cast<long long>(tally.delivered)
                                        : -1;
                fprintf(stderr, "\rframes %llu  %.1f fps  skipped %lu  dropped %s   ",
                        static_cast<unsigned long long>(tally.delivered), tally.delivered / elapsed,
                        static_cast<unsigned long>(stream.Skipped()),
                        dropped < 0 ? "?" : std::to_string(std::max(dropped, 0LL)).c_str());
            }
        }
        skipped = stream.Skipped();
    }
    double elapsed = Seconds(steady_clock::now() - start);
    if (terminal) fprintf(stderr, "\n");
    sink->Finish();

    std::optional<uint64_t> produced_after = FramesProduced(camera.Id());
    std::optional<uint64_t> undelivered;
    if (produced_before && produced_after) {
        uint64_t produced = *produced_after - *produced_before;
        undelivered = produced > tally.delivered ? produced - tally.delivered : 0;
    }
    double mean = tally.delivered ? static_cast<double>(tally.total.count()) / tally.delivered : 0;
    if (output.Json()) {
        output.Print(kmxtool::Json::Object()
                         .Add("file", *path)
                         .Add("camera", camera.Id())
                         .Add("format", Describe(format))
                         .Add("frames", tally.delivered)
                         .Add("milliseconds", static_cast<uint64_t>(elapsed * 1000))
                         .Add("skipped", static_cast<uint64_t>(skipped))
                         .Add("undelivered",
                              undelivered ? kmxtool::Json(*undelivered) : kmxtool::Json::Null())
                         .Add("latency_mean_ms", static_cast<uint64_t>(mean + 0.5))
                         .Add("latency_worst_ms", static_cast<uint64_t>(tally.worst.count()))
                         .Add("interrupted", interrupted));
        return;
    }
    char line_text[256];
    snprintf(line_text, sizeof line_text,
             "%llu frames of %s in %.2f s (%.1f fps) from %s into %s\n"
             "skipped %lu (as the driver counts them), made but never delivered %s\n"
             "delivery latency: mean %.1f ms, worst %lld ms\n",
             static_cast<unsigned long long>(tally.delivered), Describe(format).c_str(), elapsed,
             elapsed > 0 ? tally.delivered / elapsed : 0.0,
             kmxtool::CameraName(camera.Id()).c_str(), path->c_str(),
             static_cast<unsigned long>(skipped),
             undelivered ? std::to_string(*undelivered).c_str() : "unknown", mean,
             static_cast<long long>(tally.worst.count()));
    output.Text() << (interrupted ? "interrupted; " : "") << line_text;
}

}  // namespace

const Command kRecordCommand = {
    "record",
    "[-c ID | --identity W1:W2] [-d DRIVER | --16bit] [--format rgb24|rgb16|yuy2|uyvy|mjpg|kmxx] "
    "[--size WxH | --format-dialog [--snapshot DIR]] [--fps N] [--buffers N] "
    "(--frames N | --seconds S) -o FILE",
    "record into an AVI, Matroska or MP4 file, raw frames (.raw) or PNG files (frame%04d.png)",
    RunRecord};

}  // namespace kmxcap
