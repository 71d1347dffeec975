// Conformance of input: capture and cursor confinement, the cursor's display
// count, double clicks, keys and characters, all through SendInput.
#include <gtest/gtest.h>
#include <windows.h>

#include "message_log.h"

namespace {

using kmxtest::MessageLog;

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Absolute SendInput coordinates for screen pixel PT.
INPUT MouseAt(POINT pt, DWORD flags = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = (pt.x * 65536 + width - 1) / width;
    input.mi.dy = (pt.y * 65536 + height - 1) / height;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    return input;
}

void Mouse(POINT pt, DWORD flags = 0) {
    INPUT input = MouseAt(pt, flags);
    ASSERT_EQ(SendInput(1, &input, sizeof input), 1u);
}

void Key(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ASSERT_EQ(SendInput(1, &input, sizeof input), 1u);
}

HWND MakeWindow(const char* class_name) {
    return CreateWindowExA(0, class_name, "", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100, nullptr,
                           nullptr, nullptr, nullptr);
}

std::vector<kmxtest::LoggedMessage> Only(std::vector<kmxtest::LoggedMessage> all, UINT first,
                                         UINT last) {
    std::erase_if(all, [&](auto& m) { return m.message < first || m.message > last; });
    return all;
}

TEST(InputTest, TheHeadlessScreenIsAStandardDesktopWithAMouse) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    EXPECT_EQ(GetSystemMetrics(SM_MOUSEPRESENT), 1);
    RECT clip;
    ASSERT_TRUE(GetClipCursor(&clip));
    EXPECT_EQ(clip.right, 1024);
    EXPECT_EQ(clip.bottom, 768);
}

TEST(InputTest, CaptureGetsTheMouseOutsideAndClipCursorConfinesIt) {
    MessageLog log("LogClass");
    HWND window = MakeWindow("LogClass");
    EXPECT_EQ(SetCapture(window), nullptr);
    EXPECT_EQ(GetCapture(), window);
    Mouse({500, 400});
    Pump();
    auto moves = Only(log.Take(), WM_MOUSEMOVE, WM_MOUSEMOVE);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(static_cast<short>(LOWORD(moves[0].lparam)), 400);  // client coordinates
    EXPECT_EQ(static_cast<short>(HIWORD(moves[0].lparam)), 300);

    RECT confine{110, 120, 150, 140};
    ASSERT_TRUE(ClipCursor(&confine));
    POINT pt;
    GetCursorPos(&pt);
    EXPECT_EQ(pt.x, 149);  // moved inside at once
    EXPECT_EQ(pt.y, 139);
    Mouse({0, 0});
    GetCursorPos(&pt);
    EXPECT_EQ(pt.x, 110);
    EXPECT_EQ(pt.y, 120);
    SetCursorPos(1000, 130);
    GetCursorPos(&pt);
    EXPECT_EQ(pt.x, 149);
    EXPECT_EQ(pt.y, 130);
    RECT reported;
    GetClipCursor(&reported);
    EXPECT_EQ(reported.left, 110);
    EXPECT_EQ(reported.bottom, 140);

    log.Take();
    EXPECT_TRUE(ReleaseCapture());
    auto changed = Only(log.Take(), WM_CAPTURECHANGED, WM_CAPTURECHANGED);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].lparam, 0);
    EXPECT_EQ(GetCapture(), nullptr);
    ClipCursor(nullptr);
    GetClipCursor(&reported);
    EXPECT_EQ(reported.right, 1024);
    DestroyWindow(window);
}

TEST(InputTest, ShowCursorKeepsADisplayCount) {
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_EQ(ShowCursor(TRUE), 1);
}

TEST(InputTest, DoubleClicksOnlyForClassesThatAskForThem) {
    MessageLog plain("Plain");
    HWND window = MakeWindow("Plain");
    for (int i = 0; i < 2; ++i) {
        Mouse({150, 150}, MOUSEEVENTF_LEFTDOWN);
        Mouse({150, 150}, MOUSEEVENTF_LEFTUP);
    }
    Pump();
    std::vector<UINT> codes = plain.TakeCodes({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK});
    EXPECT_EQ(codes,
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
    DestroyWindow(window);
}

TEST(InputTest, DoubleClickClassGetsWmLButtonDblClk) {
    MessageLog log("Dbl", CS_DBLCLKS);
    HWND window = MakeWindow("Dbl");
    for (int i = 0; i < 3; ++i) {
        Mouse({150, 150}, MOUSEEVENTF_LEFTDOWN);
        Mouse({150, 150}, MOUSEEVENTF_LEFTUP);
    }
    Pump();
    std::vector<UINT> codes = log.TakeCodes({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK});
    EXPECT_EQ(codes, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK,
                                        WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
    DestroyWindow(window);
}

TEST(InputTest, KeysGoToTheFocusAndTranslateIntoCharacters) {
    MessageLog log("LogClass");
    HWND window = MakeWindow("LogClass");
    ASSERT_EQ(GetFocus(), window);
    Key(VK_SHIFT, false);
    Key('A', false);
    Key('A', true);
    Key(VK_SHIFT, true);
    Key('B', false);
    Key('B', true);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_SHIFT));
    // The key state follows the messages taken.
    EXPECT_TRUE(GetKeyState(VK_SHIFT) & 0x8000);
    Pump();
    EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);
    std::string typed;
    for (auto& logged : log.Take())
        if (logged.message == WM_CHAR) typed += static_cast<char>(logged.wparam);
    EXPECT_EQ(typed, "Ab");
    DestroyWindow(window);
}

TEST(InputTest, SetCursorPosMovesTheMouseOverAWindow) {
    MessageLog log("LogClass");
    HWND window = MakeWindow("LogClass");
    SetCursorPos(120, 130);
    Pump();
    auto moves = Only(log.Take(), WM_MOUSEMOVE, WM_MOUSEMOVE);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].hwnd, window);
    EXPECT_EQ(moves[0].lparam, MAKELPARAM(20, 30));
    DestroyWindow(window);
}

}  // namespace
