// kmxctl driver-info: the Driver Information dialog, as a capture
// application's "configure driver" shows it (DRV_CONFIGURE through the
// linking driver): on the display, or with --snapshot DIR written as
// DIR/driver-information.png and closed, with no display needed.
#include <windows.h>

#include <kmx512u/kmxvfw.h>
#include <kmxwin/window_snapshot.h>

#include "failures.h"
#include "tool.h"

#include <cstring>
#include <optional>
#include <string>

namespace kmxctl {
namespace {

constexpr char kPictureName[] = "driver-information.png";

// Where the snapshot goes and whether it was written; the dialog runs on
// this thread, so a timer in its loop takes the picture.
std::string g_picture;
bool g_written = false;

void CALLBACK Snapshot(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND dialog = GetActiveWindow();
    if (!dialog) return;
    g_written = KmxWinSnapshotWindow(dialog, g_picture.c_str());
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

void RunDriverInfo(CommandLine& line, Output& output) {
    std::optional<std::string> directory = line.Option("--snapshot");
    line.Finish();
    if (!directory && strcmp(KmxWinDisplayName(), "headless") == 0)
        throw UsageError("no display to show the dialog on: give --snapshot DIR");
    std::u16string name(KMXVFW32_LINKING_DRIVER,
                        KMXVFW32_LINKING_DRIVER + strlen(KMXVFW32_LINKING_DRIVER));
    HDRVR driver = OpenDriver(name.c_str(), nullptr, 0);
    if (!driver)
        throw Failure(std::string("cannot open the capture driver ") + KMXVFW32_LINKING_DRIVER);
    UINT_PTR timer = 0;
    if (directory) {
        g_picture = *directory + "/" + kPictureName;
        timer = SetTimer(nullptr, 0, 1, Snapshot);
    }
    DRVCONFIGINFO info{sizeof info, u"Drivers32", name.c_str()};
    SendDriverMessage(driver, DRV_CONFIGURE, 0, reinterpret_cast<LPARAM>(&info));
    if (timer) KillTimer(nullptr, timer);
    CloseDriver(driver, 0, 0);
    if (!directory) return;
    if (!g_written) throw Failure("cannot write " + g_picture);
    if (output.Json())
        output.Print(Json::Object().Add("snapshot", g_picture));
    else
        output.Text() << "wrote " << g_picture << '\n';
}

}  // namespace

const Command kDriverInfoCommand = {
    "driver-info", "[--snapshot DIR]",
    "show the Driver Information dialog (with --snapshot, write it as a PNG file instead)",
    RunDriverInfo};

}  // namespace kmxctl
