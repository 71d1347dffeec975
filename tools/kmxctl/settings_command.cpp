// kmxctl settings: the camera's Video Source dialog, opened as a capture
// application opens it, through the capture driver's video source channel:
// on screen, or as a picture of each page with no display needed.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <msviddrv.h>
#include <prsht.h>
#include <vfw.h>

#include <kmxwin/window_snapshot.h>

#include "camera_access.h"
#include "deadline.h"
#include "failures.h"
#include "tool.h"

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace kmxctl {
namespace {

// The linking driver, by its module name: no msvideo alias needs installing.
constexpr char16_t kLinkingDriver[] = u"kmxvfw32.dll";

// The video source channel of the capture driver, closed when it goes.
class SourceChannel {
  public:
    SourceChannel() {
        VIDEO_OPEN_PARMS parameters{};
        parameters.dwSize = sizeof parameters;
        parameters.fccType = mmioFOURCC('v', 'c', 'a', 'p');
        parameters.dwFlags = VIDEO_EXTERNALIN;
        driver_ = OpenDriver(kLinkingDriver, nullptr, reinterpret_cast<LPARAM>(&parameters));
        if (!driver_)
            throw Failure("opening the capture driver's video source channel: " +
                          (parameters.dwError ? "error " + std::to_string(parameters.dwError)
                                              : std::string("the driver does not load")));
    }
    ~SourceChannel() { CloseDriver(driver_, 0, 0); }
    SourceChannel(const SourceChannel&) = delete;
    SourceChannel& operator=(const SourceChannel&) = delete;

    // DVM_DIALOG: the dialog, modally; the driver's answer.
    LRESULT ShowDialog() const { return SendDriverMessage(driver_, DVM_DIALOG, 0, 0); }

  private:
    HDRVR driver_ = nullptr;
};

// What the pictures are taken into, and what was written. The dialog runs
// modally inside the driver; a thread timer reaches into its loop.
struct Pictures {
    std::string directory;
    std::vector<std::string> written;
    std::string failure;
};
Pictures* g_pictures = nullptr;

// Everything the sheet still has to paint or handle.
void Settle() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void CALLBACK TakePictures(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND sheet = GetActiveWindow();
    if (!sheet || !IsWindowVisible(sheet) || !g_pictures) return;
    KillTimer(nullptr, timer);
    int pages = TabCtrl_GetItemCount(PropSheet_GetTabControl(sheet));
    for (int index = 0; index < pages; ++index) {
        PropSheet_SetCurSel(sheet, nullptr, index);
        Settle();
        std::string path = g_pictures->directory + "/page" + std::to_string(index + 1) + ".png";
        if (KmxWinSnapshotWindow(sheet, path.c_str()))
            g_pictures->written.push_back(path);
        else if (g_pictures->failure.empty())
            g_pictures->failure = "cannot write " + path;
    }
    // Cancel: each page puts back what it read, so the camera stays as it was.
    PropSheet_PressButton(sheet, PSBTN_CANCEL);
    g_pictures = nullptr;
}

void RunSettings(CommandLine& line, Output& output) {
    DWORD id = line.Camera();
    std::optional<std::string> snapshot = line.Option("--snapshot");
    line.Finish();
    // Pictures need no display; the window system chooses one as it starts.
    if (snapshot) setenv("KMX512_DISPLAY", "headless", 1);
    if (!snapshot && !strcmp(KmxWinDisplayName(), "headless"))
        throw Failure("no display to show the settings on; --snapshot DIR writes pictures");

    // A capture application cannot name a camera to the driver: it reserves
    // one with the capture lock, and the driver opens exactly that camera.
    CameraHandle camera(id);
    CheckInterface(KMXPI_HandleLockVfWOpen(camera.Handle()), "reserving " + CameraName(id));
    LRESULT answer;
    Pictures pictures;
    pictures.directory = snapshot.value_or("");
    {
        SourceChannel channel;
        if (snapshot) {
            g_pictures = &pictures;
            SetTimer(nullptr, 0, 10, TakePictures);
            answer = channel.ShowDialog();
        } else {
            WaitingForUser showing;
            answer = channel.ShowDialog();
        }
    }
    KMXPI_HandleUnLockVfWOpen(camera.Handle());
    if (answer != DV_ERR_OK)
        throw Failure("showing the settings of " + CameraName(id) + ": error " +
                      std::to_string(answer));
    if (snapshot && pictures.written.empty() && pictures.failure.empty())
        throw Failure("the settings of " + CameraName(id) + " did not show");
    if (!pictures.failure.empty()) throw Failure(pictures.failure);

    if (output.Json()) {
        Json list = Json::Array();
        for (const std::string& path : pictures.written) list.Push(path);
        Json result = Json::Object().Add("camera", id);
        if (snapshot) result.Add("pictures", std::move(list));
        output.Print(result);
    } else {
        for (const std::string& path : pictures.written) output.Text() << path << '\n';
    }
}

}  // namespace

const Command kSettingsCommand = {
    "settings", "-c ID [--snapshot DIR]",
    "the camera's Video Source dialog, as capture applications open it, on the display; with "
    "--snapshot a PNG of each page (page1.png, ...) in DIR, no display needed, and the camera "
    "left as it was",
    RunSettings};

}  // namespace kmxctl
