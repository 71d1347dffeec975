// kmxcap list and kmxcap formats: the capture drivers and cameras an
// application can choose from, and the client formats a camera's driver
// accepts, found by asking for each and putting the current one back.
#include "camera_choice.h"
#include "capture_command.h"
#include "client_format.h"
#include "dialog_snapshot.h"
#include "failures.h"

#include <memory>

namespace kmxcap {
namespace {

using kmxtool::Json;

// Frame sizes an application commonly offers, largest first.
constexpr FrameSize kProbeSizes[] = {{1280, 960}, {1280, 720}, {800, 600}, {640, 480},
                                     {352, 288},  {320, 240},  {176, 144}, {160, 120}};

void RunList(kmxtool::CommandLine& line, kmxtool::Output& output, HANDLE) {
    line.Finish();
    Json drivers = Json::Array(), cameras = Json::Array();
    if (!output.Json()) output.Text() << "capture drivers:\n";
    for (const CaptureDriverEntry& driver : CaptureDrivers()) {
        drivers.Push(Json::Object()
                         .Add("index", driver.index)
                         .Add("name", driver.name)
                         .Add("version", driver.version));
        if (!output.Json())
            output.Text() << "  " << driver.index << "  " << driver.name
                          << (driver.version.empty() ? "" : "  " + driver.version) << '\n';
    }
    if (!output.Json()) output.Text() << "cameras:\n";
    for (DWORD id : ConnectedCameras()) {
        std::string path = CameraPath(id);
        cameras.Push(
            Json::Object().Add("id", id).Add("name", kmxtool::CameraName(id)).Add("path", path));
        if (!output.Json())
            output.Text() << "  " << id << "  " << kmxtool::CameraName(id) << "  " << path << '\n';
    }
    if (output.Json()) output.Print(Json::Object().Add("drivers", drivers).Add("cameras", cameras));
}

void RunFormats(kmxtool::CommandLine& line, kmxtool::Output& output, HANDLE) {
    DriverChoice driver = ChooseDriver(line);
    CameraReservation camera(ChooseCamera(line));
    line.Finish();
    CaptureChannel channel(driver);
    BITMAPINFOHEADER current = channel.Format();
    Json formats = Json::Array();
    if (!output.Json())
        output.Text() << kmxtool::CameraName(camera.Id()) << ", now " << Describe(current) << ":\n";
    for (FormatKind kind : kFormatKinds) {
        Json sizes = Json::Array();
        std::string text;
        for (FrameSize size : kProbeSizes)
            for (WORD bits : CandidateBits(kind)) {
                if (channel.SetFormat(FormatHeader(kind, size.width, size.height, bits)) !=
                    DV_ERR_OK)
                    continue;
                std::string name = std::to_string(size.width) + "x" + std::to_string(size.height);
                sizes.Push(name);
                text += " " + name;
                break;
            }
        formats.Push(Json::Object().Add("format", KindName(kind)).Add("sizes", sizes));
        if (!output.Json() && !text.empty())
            output.Text() << "  " << KindName(kind) << text << '\n';
    }
    if (LRESULT restored = channel.SetFormat(current); restored != DV_ERR_OK)
        throw kmxtool::Failure("putting " + Describe(current) +
                               " back: " + DriverErrorName(restored));
    if (output.Json())
        output.Print(Json::Object()
                         .Add("camera", camera.Id())
                         .Add("current", Describe(current))
                         .Add("formats", formats));
}

}  // namespace

DriverChoice ChooseDriver(kmxtool::CommandLine& line) {
    bool sixteen_bit = line.Flag("--16bit");
    if (std::optional<std::string> index = line.Option("-d")) {
        if (sixteen_bit)
            throw kmxtool::UsageError("--16bit has a driver of its own: no -d with it");
        return {static_cast<DWORD>(kmxtool::ParseUnsigned(*index, "the driver index", 9)), false};
    }
    if (sixteen_bit) return {0, true};
    std::vector<CaptureDriverEntry> drivers = CaptureDrivers();
    if (drivers.empty())
        throw kmxtool::Failure("no capture driver is installed (kmxctl driver install)");
    return {drivers.front().index, false};
}

// What --format-dialog --snapshot DIR writes into DIR.
constexpr char kFormatDialogPicture[] = "video-format.png";

BITMAPINFOHEADER ApplyRequestedFormat(const CaptureChannel& channel, kmxtool::CommandLine& line) {
    bool dialog = line.Flag("--format-dialog");
    std::optional<std::string> snapshot = line.Option("--snapshot");
    std::optional<std::string> kind_name = line.Option("--format");
    std::optional<std::string> size_text = line.Option("--size");
    if (snapshot && !dialog) throw kmxtool::UsageError("--snapshot goes with --format-dialog");
    if (dialog) {
        if (kind_name || size_text)
            throw kmxtool::UsageError("choose the format in the dialog or with --format/--size");
        std::optional<std::string> picture;
        if (snapshot) picture = *snapshot + "/" + kFormatDialogPicture;
        kmxtool::RequireDisplayOr(picture);
        // OK keeps what the dialog shows: the current format, in a picture.
        kmxtool::RunDialog([&] { channel.Check("the Video Format dialog", DVM_DIALOG); }, picture,
                           IDOK);
    }
    BITMAPINFOHEADER current = channel.Format();
    if (!kind_name && !size_text) return current;
    std::optional<FormatKind> current_kind = KindOf(current);
    FormatKind kind = kind_name ? ParseKind(*kind_name) : current_kind.value_or(FormatKind::Rgb24);
    FrameSize size =
        size_text ? ParseSize(*size_text) : FrameSize{current.biWidth, current.biHeight};
    LRESULT answer = DV_ERR_NOTSUPPORTED;
    for (WORD bits : CandidateBits(kind)) {
        answer = channel.SetFormat(FormatHeader(kind, size.width, size.height, bits));
        if (answer == DV_ERR_OK) return channel.Format();
    }
    throw kmxtool::Failure("the camera does not deliver " + std::string(KindName(kind)) + " " +
                           std::to_string(size.width) + "x" + std::to_string(size.height) + ": " +
                           DriverErrorName(answer) + " (kmxcap formats lists what it does)");
}

const Command kListCommand = {"list", "", "the capture drivers and the connected cameras", RunList};
const Command kFormatsCommand = {"formats", "[-c ID | --identity W1:W2] [-d DRIVER | --16bit]",
                                 "the formats and sizes the camera's capture driver accepts",
                                 RunFormats};

}  // namespace kmxcap
