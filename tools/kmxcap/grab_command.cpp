// kmxcap grab: one frame through DVM_FRAME, as a PNG picture (or the
// driver's bytes in a .raw file).
#include "camera_choice.h"
#include "capture_command.h"
#include "client_format.h"
#include "failures.h"
#include "frame_sink.h"

#include <vector>

namespace kmxcap {
namespace {

void RunGrab(kmxtool::CommandLine& line, kmxtool::Output& output, HANDLE) {
    DriverChoice driver = ChooseDriver(line);
    CameraReservation camera(ChooseCamera(line));
    std::optional<std::string> path = line.Option("-o");
    if (!path) throw kmxtool::UsageError("where to? give -o FILE.png");
    CaptureChannel channel(driver);
    BITMAPINFOHEADER format = ApplyRequestedFormat(channel, line);
    line.Finish();
    std::vector<BYTE> data(format.biSizeImage);
    VIDEOHDR header{};
    header.lpData = data.data();
    header.dwBufferLength = static_cast<DWORD>(data.size());
    channel.Check("grabbing a frame", DVM_FRAME, reinterpret_cast<LPARAM>(&header), sizeof header);
    if (IsPngPath(*path)) {
        WritePng(*path, format, data.data(), header.dwBytesUsed);
    } else {
        std::unique_ptr<FrameSink> sink = OpenSink(*path, format, 1);
        sink->Write(data.data(), header.dwBytesUsed);
        sink->Finish();
    }
    if (output.Json())
        output.Print(kmxtool::Json::Object()
                         .Add("camera", camera.Id())
                         .Add("format", Describe(format))
                         .Add("bytes", static_cast<uint64_t>(header.dwBytesUsed))
                         .Add("file", *path));
    else
        output.Text() << "grabbed " << Describe(format) << " from "
                      << kmxtool::CameraName(camera.Id()) << " into " << *path << '\n';
}

}  // namespace

const Command kGrabCommand = {"grab",
                              "[-c ID | --identity W1:W2] [-d DRIVER | --16bit] [--format F] "
                              "[--size WxH | --format-dialog [--snapshot DIR]] -o FILE.png",
                              "one frame through DVM_FRAME into a PNG picture", RunGrab};

}  // namespace kmxcap
