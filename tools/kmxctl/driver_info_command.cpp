// kmxctl driver-info: the Driver Information dialog, as a capture
// application's "configure driver" shows it (DRV_CONFIGURE through the
// linking driver): on the display, or with --snapshot DIR written as
// DIR/driver-information.png and closed, with no display needed.
#include <windows.h>

#include <kmx512u/kmxvfw.h>

#include "dialog_snapshot.h"
#include "failures.h"
#include "tool.h"

#include <cstring>
#include <optional>
#include <string>

namespace kmxctl {
namespace {

constexpr char kPictureName[] = "driver-information.png";

void RunDriverInfo(CommandLine& line, Output& output) {
    std::optional<std::string> directory = line.Option("--snapshot");
    line.Finish();
    std::optional<std::string> picture;
    if (directory) picture = *directory + "/" + kPictureName;
    RequireDisplayOr(picture);
    std::u16string name(KMXVFW32_LINKING_DRIVER,
                        KMXVFW32_LINKING_DRIVER + strlen(KMXVFW32_LINKING_DRIVER));
    HDRVR driver = OpenDriver(name.c_str(), nullptr, 0);
    if (!driver)
        throw Failure(std::string("cannot open the capture driver ") + KMXVFW32_LINKING_DRIVER);
    DRVCONFIGINFO info{sizeof info, u"Drivers32", name.c_str()};
    try {
        RunDialog(
            [&] { SendDriverMessage(driver, DRV_CONFIGURE, 0, reinterpret_cast<LPARAM>(&info)); },
            picture, IDCANCEL);
    } catch (...) {
        CloseDriver(driver, 0, 0);
        throw;
    }
    CloseDriver(driver, 0, 0);
    if (!picture) return;
    if (output.Json())
        output.Print(Json::Object().Add("snapshot", *picture));
    else
        output.Text() << "wrote " << *picture << '\n';
}

}  // namespace

const Command kDriverInfoCommand = {
    "driver-info", "[--snapshot DIR]",
    "show the Driver Information dialog (with --snapshot, write it as a PNG file instead)",
    RunDriverInfo};

}  // namespace kmxctl
