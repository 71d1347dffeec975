// The window system's speed where a person would feel it: a trackbar drag
// step from injected input to the parent's window procedure, beside a bare
// posted message's round trip through the queue to a window procedure; and
// the sample property sheet opened and written as PNG, beside a plain
// window of the same size written as PNG.
#include <windows.h>
#include <commctrl.h>
#include <kmxwin/window_snapshot.h>

#include <stdlib.h>

#include <string>

#include "ratio_reporter.h"
#include "sample_sheet.h"

namespace {

// Headless whatever display the shell offers: the numbers are the window
// system's own, not an X server's. Set before any window exists.
[[maybe_unused]] const bool g_headless = setenv("KMX512_DISPLAY", "headless", 1) == 0;

constexpr char kParentClass[] = "KmxBenchParent";
int g_notifications = 0;

LRESULT CALLBACK ParentProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_HSCROLL || message == WM_USER) {
        ++g_notifications;
        return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

HWND MakeParent() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = ParentProcedure;
    window_class.lpszClassName = kParentClass;
    RegisterClassA(&window_class);
    return CreateWindowExA(0, kParentClass, "bench", WS_POPUP | WS_VISIBLE, 100, 100, 500, 100,
                           nullptr, nullptr, nullptr, nullptr);
}

// Dispatches queued messages until the parent has been told COUNT times.
void PumpUntilNotified(int count) {
    MSG msg;
    while (g_notifications < count && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Baseline: a message posted to a window and dispatched to its procedure.
void BM_PostedMessageRoundTrip(benchmark::State& state) {
    HWND parent = MakeParent();
    g_notifications = 0;
    for (auto _ : state) {
        PostMessageA(parent, WM_USER, 0, 0);
        PumpUntilNotified(g_notifications + 1);
    }
    DestroyWindow(parent);
    UnregisterClassA(kParentClass, nullptr);
}
BENCHMARK(BM_PostedMessageRoundTrip)->UseRealTime();

// The thumb held and moved one pixel: the mouse move injected where real
// input enters, through the queue to the trackbar, its position, and WM_HSCROLL with TB_THUMBTRACK
// in the parent's procedure.
void BM_TrackbarDragStep(benchmark::State& state) {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    HWND parent = MakeParent();
    HWND bar = CreateWindowExA(0, TRACKBAR_CLASSA, "", WS_CHILD | WS_VISIBLE | TBS_AUTOTICKS, 10,
                               10, 440, 40, parent, nullptr, nullptr, nullptr);
    // A position for every pixel, so that each step moves the slider.
    SendMessageA(bar, TBM_SETRANGE, FALSE, MAKELPARAM(0, 4000));
    RECT thumb;
    SendMessageA(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    POINT grab{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
    ClientToScreen(bar, &grab);
    KmxWinInjectMouse(MOUSEEVENTF_LEFTDOWN, grab.x, grab.y);
    g_notifications = 0;
    PumpUntilNotified(1);

    int offset = 0, direction = 1;
    for (auto _ : state) {
        if (offset == 300 || (offset == 0 && direction < 0)) direction = -direction;
        offset += direction;
        int before = g_notifications;
        KmxWinInjectMouse(0, grab.x + offset, grab.y);
        PumpUntilNotified(before + 1);
        if (g_notifications == before) state.SkipWithError("no TB_THUMBTRACK reached the parent");
    }
    kmxbench::CompareWith(state, "BM_PostedMessageRoundTrip");
    KmxWinInjectMouse(MOUSEEVENTF_LEFTUP, grab.x + offset, grab.y);
    PumpUntilNotified(g_notifications + 2);
    DestroyWindow(parent);
    UnregisterClassA(kParentClass, nullptr);
}
BENCHMARK(BM_TrackbarDragStep)->UseRealTime();

std::string PicturePath() {
    const char* directory = getenv("KMX512_RUNTIME_DIR");
    return std::string(directory ? directory : "/tmp") + "/window_bench.png";
}

// The size of the sample sheet's window, as the baseline's window takes it.
SIZE SampleSheetSize() {
    SIZE size{};
    RunSampleSheetWith([&](HWND sheet) {
        RECT rect;
        GetWindowRect(sheet, &rect);
        size = {rect.right - rect.left, rect.bottom - rect.top};
    });
    return size;
}

// Baseline: a plain window as large as the sheet written as PNG, the cost
// of the picture alone.
void BM_PlainWindowToPng(benchmark::State& state) {
    if (!PrepareSamples()) return state.SkipWithError("the samples cannot be registered");
    SIZE size = SampleSheetSize();
    HWND window = CreateWindowExA(0, "Static", "", WS_POPUP | WS_VISIBLE, 0, 0, size.cx, size.cy,
                                  nullptr, nullptr, nullptr, nullptr);
    std::string path = PicturePath();
    for (auto _ : state) {
        if (!KmxWinSnapshotWindow(window, path.c_str()))
            state.SkipWithError("the picture cannot be written");
    }
    DestroyWindow(window);
}
BENCHMARK(BM_PlainWindowToPng)->UseRealTime()->Unit(benchmark::kMillisecond);

// The sample property sheet opened headless (its frame, tabs, buttons and
// first page made from the templates and shown), written as PNG, and
// cancelled.
void BM_SampleSheetToPng(benchmark::State& state) {
    if (!PrepareSamples()) return state.SkipWithError("the samples cannot be registered");
    std::string path = PicturePath();
    for (auto _ : state) {
        bool written = false;
        INT_PTR result = RunSampleSheetWith(
            [&](HWND sheet) { written = KmxWinSnapshotWindow(sheet, path.c_str()); });
        if (result < 0 || !written) state.SkipWithError("the sheet cannot be pictured");
    }
    kmxbench::CompareWith(state, "BM_PlainWindowToPng");
}
BENCHMARK(BM_SampleSheetToPng)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
