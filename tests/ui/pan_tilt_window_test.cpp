// The pan/tilt window control on its own: its layout as drawn, what it
// refuses, and dragging and keys through the path real input takes.
#include <gtest/gtest.h>
#include <windows.h>

#include "control_host.h"
#include "ui/pan_tilt_window.h"

namespace {

using kmxtest::Key;
using kmxtest::MouseAt;
using kmxtest::Tap;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

// The cursor's display count, left as it was.
int CursorCount() {
    int count = ShowCursor(TRUE) - 1;
    ShowCursor(FALSE);
    return count;
}

POINT CursorInClient(HWND hwnd) {
    POINT cursor;
    GetCursorPos(&cursor);
    ScreenToClient(hwnd, &cursor);
    return cursor;
}

RECT ScreenRect() {
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void ExpectRect(const RECT& actual, const RECT& expected) {
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
}

void ExpectPosition(const kmx::ui::PanTiltPosition& position, DWORD x, DWORD y) {
    EXPECT_EQ(position.x, x);
    EXPECT_EQ(position.y, y);
}

// A 166 x 200 control showing a 640 x 480 field with a 320 x 240 window:
// scale 0.25, the field drawn at (3, 40)-(163, 160), the centred window at
// (43, 70)-(123, 130).
class PanTiltWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(control_.Create(host_.Window(), {20, 10, 186, 210}, 1051));
        hwnd_ = control_.Handle();
        ASSERT_TRUE(control_.SetFullField(640, 480, 320, 240));
        kmxtest::Pump();
    }

    COLORREF PixelAt(int x, int y) {
        UpdateWindow(hwnd_);
        HDC dc = GetDC(hwnd_);
        COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(hwnd_, dc);
        return colour;
    }

    RECT ClientToScreenRect(RECT rect) {
        MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    kmxtest::ControlHost host_;
    kmx::ui::PanTiltWindow control_;
    HWND hwnd_ = nullptr;
};

TEST_F(PanTiltWindowTest, ScalesTheFieldIntoTheControlAndCentresTheWindow) {
    EXPECT_TRUE(control_.TakeChanged());
    EXPECT_FALSE(control_.TakeChanged());
    ExpectPosition(control_.GetWindowPosition(), 160, 120);

    EXPECT_EQ(PixelAt(3, 40), kBlack);
    EXPECT_EQ(PixelAt(162, 159), kBlack);
    EXPECT_EQ(PixelAt(43, 70), kBlack);
    EXPECT_EQ(PixelAt(122, 129), kBlack);
    EXPECT_EQ(PixelAt(44, 71), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(PixelAt(3, 3), GetSysColor(COLOR_BTNFACE));

    SetFocus(hwnd_);
    EXPECT_EQ(PixelAt(43, 70), kRed);
    EXPECT_EQ(SendMessageA(hwnd_, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);

    // The drag confines the window's top-left corner to the reachable
    // positions and starts from that corner.
    MouseAt(hwnd_, {43, 70}, MOUSEEVENTF_LEFTDOWN);
    RECT clip;
    ASSERT_TRUE(GetClipCursor(&clip));
    ExpectRect(clip, ClientToScreenRect({3, 40, 83, 100}));
    POINT cursor = CursorInClient(hwnd_);
    EXPECT_EQ(cursor.x, 43);
    EXPECT_EQ(cursor.y, 70);
    EXPECT_EQ(CursorCount(), -1);
    EXPECT_EQ(GetCapture(), hwnd_);
    MouseAt(hwnd_, {43, 70}, MOUSEEVENTF_LEFTUP);
}

TEST_F(PanTiltWindowTest, RefusesSizesAndPositionsThatLeaveTheField) {
    control_.TakeChanged();
    EXPECT_FALSE(control_.SetFullField(640, 480, 0, 240));
    EXPECT_FALSE(control_.SetFullField(320, 240, 640, 480));
    EXPECT_FALSE(control_.TakeChanged());
    ExpectPosition(control_.GetWindowPosition(), 160, 120);

    EXPECT_FALSE(control_.SetWindowPosition(321, 0));
    EXPECT_FALSE(control_.SetWindowPosition(0, 241));
    ExpectPosition(control_.GetWindowPosition(), 160, 120);
    EXPECT_TRUE(control_.SetWindowPosition(320, 0));
    ExpectPosition(control_.GetWindowPosition(), 320, 0);
    EXPECT_FALSE(control_.TakeChanged());  // the owner set it; nothing to send
    EXPECT_EQ(PixelAt(83, 40), kBlack);
}

TEST_F(PanTiltWindowTest, DraggingFullyRightReachesTheFarEdgeAndDropsTheCursorOnTheCentre) {
    control_.TakeChanged();
    MouseAt(hwnd_, {50, 80}, MOUSEEVENTF_LEFTDOWN);
    MouseAt(hwnd_, {400, 70});
    // The last reachable pixel (82) would give 316 by the pixel arithmetic.
    ExpectPosition(control_.GetWindowPosition(), 320, 120);
    EXPECT_TRUE(control_.TakeChanged());

    MouseAt(hwnd_, {400, 70}, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(CursorCount(), 0);
    EXPECT_EQ(GetCapture(), nullptr);
    RECT clip;
    ASSERT_TRUE(GetClipCursor(&clip));
    ExpectRect(clip, ScreenRect());
    POINT cursor = CursorInClient(hwnd_);
    EXPECT_EQ(cursor.x, 82 + 40);
    EXPECT_EQ(cursor.y, 70 + 30);
    EXPECT_EQ(PixelAt(123, 70), kBlack);  // redrawn at the new place
    ExpectPosition(control_.GetWindowPosition(), 320, 120);
}

TEST_F(PanTiltWindowTest, ArrowKeysMoveOneUnitWithinTheField) {
    ASSERT_TRUE(control_.SetWindowPosition(0, 239));
    control_.TakeChanged();
    SetFocus(hwnd_);
    Tap(VK_LEFT);
    Tap(VK_UP);
    ExpectPosition(control_.GetWindowPosition(), 0, 238);
    EXPECT_TRUE(control_.TakeChanged());
    Tap(VK_DOWN);
    Tap(VK_DOWN);
    Tap(VK_RIGHT);
    ExpectPosition(control_.GetWindowPosition(), 1, 240);
    Tap(VK_LEFT);
    Tap(VK_LEFT);
    ExpectPosition(control_.GetWindowPosition(), 0, 240);
    control_.TakeChanged();
    Tap(VK_LEFT);
    Tap('A');
    EXPECT_FALSE(control_.TakeChanged());
}

TEST_F(PanTiltWindowTest, AClickOutsideTheWindowStartsNothing) {
    control_.TakeChanged();
    for (POINT outside : {POINT{10, 45}, POINT{123, 100}, POINT{80, 130}}) {
        MouseAt(hwnd_, outside, MOUSEEVENTF_LEFTDOWN);
        POINT cursor = CursorInClient(hwnd_);
        EXPECT_EQ(cursor.x, outside.x);
        EXPECT_EQ(cursor.y, outside.y);
        EXPECT_EQ(CursorCount(), 0);
        EXPECT_EQ(GetCapture(), nullptr);
        MouseAt(hwnd_, {outside.x + 30, outside.y + 5});
        MouseAt(hwnd_, {outside.x + 30, outside.y + 5}, MOUSEEVENTF_LEFTUP);
    }
    ExpectPosition(control_.GetWindowPosition(), 160, 120);
    EXPECT_FALSE(control_.TakeChanged());
}

TEST_F(PanTiltWindowTest, AnEndedDragGivesTheCursorBack) {
    // Destroyed in mid-drag.
    MouseAt(hwnd_, {60, 80}, MOUSEEVENTF_LEFTDOWN);
    ASSERT_EQ(CursorCount(), -1);
    control_.Destroy();
    EXPECT_EQ(control_.Handle(), nullptr);
    EXPECT_EQ(CursorCount(), 0);
    EXPECT_EQ(GetCapture(), nullptr);
    RECT clip;
    ASSERT_TRUE(GetClipCursor(&clip));
    ExpectRect(clip, ScreenRect());
    MouseAt(host_.Window(), {300, 250}, MOUSEEVENTF_LEFTUP);

    // Another window taking the mouse in mid-drag.
    ASSERT_TRUE(control_.Create(host_.Window(), {20, 10, 186, 210}, 1051));
    hwnd_ = control_.Handle();
    MouseAt(hwnd_, {60, 80}, MOUSEEVENTF_LEFTDOWN);  // the new 50 x 50 window of 100 x 100
    ASSERT_EQ(CursorCount(), -1);
    SetCapture(host_.Window());
    EXPECT_EQ(CursorCount(), 0);
    EXPECT_EQ(GetCapture(), host_.Window());
    ASSERT_TRUE(GetClipCursor(&clip));
    ExpectRect(clip, ScreenRect());
    ReleaseCapture();
}

}  // namespace
