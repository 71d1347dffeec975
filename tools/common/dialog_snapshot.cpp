#include "dialog_snapshot.h"

#include <kmxwin/window_snapshot.h>

#include "command_line.h"
#include "failures.h"

#include <cstring>

namespace kmxtool {
namespace {

// The dialog runs on this thread, so a timer in its loop takes the picture.
struct Snapshot {
    std::string path;
    int button = IDCANCEL;
    bool written = false;
};
Snapshot g_snapshot;

void CALLBACK TakeSnapshot(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND dialog = GetActiveWindow();
    if (!dialog) return;
    g_snapshot.written = KmxWinSnapshotWindow(dialog, g_snapshot.path.c_str());
    PostMessageA(dialog, WM_COMMAND, WPARAM(g_snapshot.button), 0);
}

}  // namespace

void RequireDisplayOr(const std::optional<std::string>& picture) {
    if (!picture && strcmp(KmxWinDisplayName(), "headless") == 0)
        throw UsageError("no display to show the dialog on: give --snapshot DIR");
}

void RunDialog(const std::function<void()>& show, const std::optional<std::string>& picture,
               int button) {
    if (!picture) {
        show();
        return;
    }
    g_snapshot = {*picture, button, false};
    UINT_PTR timer = SetTimer(nullptr, 0, 1, TakeSnapshot);
    show();
    KillTimer(nullptr, timer);
    if (!g_snapshot.written) throw Failure("cannot write " + *picture);
}

}  // namespace kmxtool
