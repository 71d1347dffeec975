// The X11 display under Xvfb: windows become X windows, the X pointer's
// moves come back as window messages, and ClipCursor confines the pointer
// in the X server. Skipped where Xvfb is not installed.
#include <gtest/gtest.h>
#include <kmxwin/window_snapshot.h>
#include <stdlib.h>
#include <unistd.h>
#include <windows.h>

#include <optional>
#include <string>

#include "common/test_environment.h"
#include "x11_client.h"

namespace {

POINT g_last_move{};
LRESULT CALLBACK CountMoves(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_MOUSEMOVE)
        g_last_move = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// Takes messages until PREDICATE holds; false after the X server stayed
// silent for seconds.
template <class Predicate>
bool PumpUntil(Predicate predicate, int most_rounds = 200) {
    // A thread timer wakes the wait now and then, so a silent server ends it.
    UINT_PTR timer = SetTimer(nullptr, 0, 50, nullptr);
    for (int rounds = 0; rounds < most_rounds && !predicate(); ++rounds) {
        MSG msg;
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
        DispatchMessageA(&msg);
    }
    KillTimer(nullptr, timer);
    return predicate();
}

TEST(X11DisplayTest, WindowsAndThePointerGoThroughTheXServer) {
    if (access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
    // Xvfb picks a free display and names it on its output when it is ready.
    kmxtest::ChildProcess server(
        "/usr/bin/Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    std::optional<std::string> number = server.ReadLine();
    ASSERT_TRUE(number) << "Xvfb did not start";
    std::string display = ":" + *number;
    setenv("DISPLAY", display.c_str(), 1);
    setenv("KMX512_DISPLAY", "x11", 1);
    if (std::string(KmxWinDisplayName()) != "x11") GTEST_SKIP() << "the display was chosen before";
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);

    WNDCLASSA window_class{};
    window_class.lpfnWndProc = CountMoves;
    window_class.lpszClassName = "X11Moves";
    RegisterClassA(&window_class);
    HWND window = CreateWindowExA(0, "X11Moves", "x11", WS_POPUP | WS_VISIBLE, 100, 100, 200, 150,
                                  nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    UpdateWindow(window);

    // Another client moves the X pointer onto the window.
    kmxtest::XClient other(display);
    ASSERT_TRUE(other.Connected());
    // The server may not show the window yet when the pointer first comes,
    // so the pointer comes again, from outside, until a move arrives.
    auto moved = [] { return g_last_move.x == 50 && g_last_move.y == 30; };
    for (int tries = 0; tries < 10 && !moved(); ++tries) {
        other.WarpPointer(0, 0);
        other.WarpPointer(150, 130);
        PumpUntil(moved, 20);
    }
    EXPECT_TRUE(moved());

    // ClipCursor confines the X pointer: a warp beyond the clip stops at it.
    RECT clip{100, 100, 200, 200};
    ClipCursor(&clip);
    other.WarpPointer(500, 500);
    int x = 0, y = 0;
    other.QueryPointer(&x, &y);
    EXPECT_LE(x, 199);
    EXPECT_LE(y, 199);
    ClipCursor(nullptr);
    DestroyWindow(window);
}

}  // namespace
