// Conformance of the trackbar: its range and position, and the scroll
// notifications that keys, drags and clicks in the channel send.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "control_host.h"

namespace {

using kmxtest::ControlHost;
using kmxtest::Key;
using kmxtest::MouseAt;
using kmxtest::Notification;
using kmxtest::Tap;

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return SendMessageA(hwnd, message, wparam, lparam);
}

std::vector<WORD> Codes(const std::vector<Notification>& all) {
    std::vector<WORD> codes;
    for (const Notification& n : all) codes.push_back(n.code);
    return codes;
}

POINT Centre(const RECT& rect) {
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

TEST(TrackbarTest, RangeAndPositionSettersClampAndStaySilent) {
    ControlHost host;
    HWND bar = host.AddControl(TRACKBAR_CLASS, TBS_AUTOTICKS, {10, 10, 210, 40});
    EXPECT_EQ(Send(bar, TBM_GETRANGEMIN), 0);
    EXPECT_EQ(Send(bar, TBM_GETRANGEMAX), 100);
    EXPECT_EQ(Send(bar, TBM_GETPOS), 0);
    EXPECT_EQ(Send(bar, TBM_GETLINESIZE), 1);
    EXPECT_EQ(Send(bar, TBM_GETPAGESIZE), 20);  // a fifth of the range
    EXPECT_EQ(Send(bar, WM_GETDLGCODE), DLGC_WANTARROWS);

    Send(bar, TBM_SETPOS, TRUE, 70);
    Send(bar, TBM_SETRANGE, TRUE, MAKELPARAM(10, 50));
    EXPECT_EQ(Send(bar, TBM_GETRANGEMIN), 10);
    EXPECT_EQ(Send(bar, TBM_GETRANGEMAX), 50);
    EXPECT_EQ(Send(bar, TBM_GETPOS), 50);
    Send(bar, TBM_SETRANGE, TRUE, MAKELPARAM(0, 60000));  // two unsigned words
    EXPECT_EQ(Send(bar, TBM_GETRANGEMAX), 60000);
    Send(bar, TBM_SETRANGEMIN, FALSE, -10);  // a LONG
    Send(bar, TBM_SETPOS, TRUE, -400);
    EXPECT_EQ(Send(bar, TBM_GETPOS), -10);
    Send(bar, TBM_SETRANGEMIN, FALSE, 100000);
    Send(bar, TBM_SETRANGEMAX, TRUE, 300000);
    EXPECT_EQ(Send(bar, TBM_GETPOS), 100000);

    EXPECT_EQ(Send(bar, TBM_SETLINESIZE, 0, 7), 1);
    EXPECT_EQ(Send(bar, TBM_GETLINESIZE), 7);
    EXPECT_EQ(Send(bar, TBM_SETPAGESIZE, 0, 1000), 40000);
    EXPECT_EQ(Send(bar, TBM_GETPAGESIZE), 1000);

    Send(bar, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
    Send(bar, TBM_SETTICFREQ, 3);
    EXPECT_EQ(Send(bar, TBM_GETNUMTICS), 5);  // 0, 3, 6, 9 and the last
    HWND bare = host.AddControl(TRACKBAR_CLASS, TBS_NOTICKS, {10, 50, 210, 80}, 101);
    EXPECT_EQ(Send(bare, TBM_GETNUMTICS), 0);

    kmxtest::Pump();
    EXPECT_TRUE(host.Take().empty());  // no setter notifies
}

TEST(TrackbarTest, KeysStepAndNotifyTheParentEndingWithEndTrack) {
    ControlHost host;
    HWND bar = host.AddControl(TRACKBAR_CLASS, 0, {10, 10, 210, 40});
    Send(bar, TBM_SETPAGESIZE, 0, 10);
    SetFocus(bar);

    Tap(VK_RIGHT);
    Tap(VK_NEXT);
    Key(VK_END);
    auto got = host.Take();
    EXPECT_EQ(Codes(got),
              (std::vector<WORD>{TB_LINEDOWN, TB_ENDTRACK, TB_PAGEDOWN, TB_ENDTRACK, TB_BOTTOM}));
    for (const Notification& n : got) {
        EXPECT_EQ(n.message, static_cast<UINT>(WM_HSCROLL));
        EXPECT_EQ(n.from, bar);
        EXPECT_EQ(n.position, 0);  // only the thumb codes carry it
    }
    EXPECT_EQ(Send(bar, TBM_GETPOS), 100);
    // At the end the slider cannot move: nothing but the key's release.
    Key(VK_END, true);
    Tap(VK_DOWN);
    EXPECT_EQ(Codes(host.Take()), (std::vector<WORD>{TB_ENDTRACK, TB_ENDTRACK}));

    Tap(VK_PRIOR);
    Tap(VK_UP);
    EXPECT_EQ(Send(bar, TBM_GETPOS), 89);
    Tap(VK_HOME);
    EXPECT_EQ(Send(bar, TBM_GETPOS), 0);
    EXPECT_EQ(Codes(host.Take()), (std::vector<WORD>{TB_PAGEUP, TB_ENDTRACK, TB_LINEUP, TB_ENDTRACK,
                                                     TB_TOP, TB_ENDTRACK}));

    HWND vertical = host.AddControl(TRACKBAR_CLASS, TBS_VERT, {250, 10, 280, 200}, 101);
    SetFocus(vertical);
    Tap(VK_DOWN);
    auto vertical_got = host.Take();
    ASSERT_EQ(vertical_got.size(), 2u);
    EXPECT_EQ(vertical_got[0].message, static_cast<UINT>(WM_VSCROLL));
    EXPECT_EQ(Send(vertical, TBM_GETPOS), 1);
}

TEST(TrackbarTest, DraggingTheThumbTracksThenReportsItsPositionWithTheCapture) {
    ControlHost host;
    HWND bar = host.AddControl(TRACKBAR_CLASS, TBS_AUTOTICKS, {10, 10, 220, 45});
    RECT thumb, channel;
    Send(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    Send(bar, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    POINT grab = Centre(thumb);

    MouseAt(bar, grab, MOUSEEVENTF_LEFTDOWN);
    EXPECT_EQ(GetCapture(), bar);
    EXPECT_EQ(GetFocus(), bar);
    MouseAt(bar, {grab.x + 40, grab.y});
    MouseAt(bar, {grab.x + 90, grab.y + 60});  // off the control: still dragging
    LONG dragged = static_cast<LONG>(Send(bar, TBM_GETPOS));
    MouseAt(bar, {grab.x + 90, grab.y + 60}, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(GetCapture(), nullptr);

    auto got = host.Take();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].code, TB_THUMBTRACK);
    EXPECT_EQ(got[1].code, TB_THUMBTRACK);
    EXPECT_LT(got[0].position, got[1].position);
    EXPECT_EQ(got[2].code, TB_THUMBPOSITION);
    EXPECT_EQ(got[2].position, dragged);
    EXPECT_EQ(got[3].code, TB_ENDTRACK);
    // 90 of the channel's pixels are about 90 / (width - thumb) of the range.
    int travel = (channel.right - channel.left) - (thumb.right - thumb.left);
    EXPECT_NEAR(dragged, 90 * 100 / travel, 1);
    RECT moved;
    Send(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&moved));
    EXPECT_NEAR(moved.left - thumb.left, 90, 1);

    // A click on the thumb without a move ends without a position report.
    MouseAt(bar, Centre(moved), MOUSEEVENTF_LEFTDOWN);
    MouseAt(bar, Centre(moved), MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(Codes(host.Take()), (std::vector<WORD>{TB_ENDTRACK}));
}

TEST(TrackbarTest, HoldingTheButtonInTheChannelPagesUntilTheThumbReachesThePointer) {
    ControlHost host;
    HWND bar = host.AddControl(TRACKBAR_CLASS, 0, {10, 10, 220, 45});
    RECT thumb, channel;
    Send(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    Send(bar, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    POINT far_right{channel.right - 3, Centre(thumb).y};

    MouseAt(bar, far_right, MOUSEEVENTF_LEFTDOWN);
    EXPECT_EQ(Send(bar, TBM_GETPOS), 20);  // one page at once
    ASSERT_TRUE(kmxtest::PumpUntil([&] { return Send(bar, TBM_GETPOS) == 100; }));
    MouseAt(bar, far_right, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(Codes(host.Take()), (std::vector<WORD>{TB_PAGEDOWN, TB_PAGEDOWN, TB_PAGEDOWN,
                                                     TB_PAGEDOWN, TB_PAGEDOWN, TB_ENDTRACK}));

    // Left of the thumb pages up; the capture taken away ends the click.
    MouseAt(bar, {channel.left + 2, far_right.y}, MOUSEEVENTF_LEFTDOWN);
    EXPECT_EQ(Send(bar, TBM_GETPOS), 80);
    SetCapture(host.Window());
    EXPECT_EQ(Codes(host.Take()), (std::vector<WORD>{TB_PAGEUP, TB_ENDTRACK}));
    ReleaseCapture();
    MouseAt(bar, {channel.left + 2, far_right.y}, MOUSEEVENTF_LEFTUP);
}

TEST(TrackbarTest, AParentThatDestroysTheTrackbarInANotificationIsSafe) {
    ControlHost host;
    HWND bar = host.AddControl(TRACKBAR_CLASS, 0, {10, 10, 220, 45});
    host.on_scroll = [&](const Notification& n) {
        if (n.code == TB_THUMBTRACK) DestroyWindow(n.from);
    };
    RECT thumb;
    Send(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    POINT grab = Centre(thumb);
    MouseAt(bar, grab, MOUSEEVENTF_LEFTDOWN);
    MouseAt(bar, {grab.x + 30, grab.y});
    MouseAt(bar, {grab.x + 30, grab.y}, MOUSEEVENTF_LEFTUP);
    EXPECT_FALSE(IsWindow(bar));
    EXPECT_EQ(GetCapture(), nullptr);
}

}  // namespace
