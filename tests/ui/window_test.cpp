// Conformance of windows and messages: creation and destruction order,
// handles, sending across threads, posting, timers, focus, showing.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "message_log.h"

namespace {

using kmxtest::MessageLog;

HWND MakeTopLevel(const char* class_name, DWORD style = WS_OVERLAPPEDWINDOW) {
    return CreateWindowExA(0, class_name, "top", style, 10, 20, 300, 200, nullptr, nullptr, nullptr,
                           nullptr);
}

TEST(WindowTest, CreationAndDestructionSendTheirMessagesInWindowsOrder) {
    MessageLog log("LogClass");
    HWND top = MakeTopLevel("LogClass");
    ASSERT_TRUE(top);
    EXPECT_EQ(log.TakeCodes({WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE,
                             WM_MOVE, WM_SHOWWINDOW}),
              (std::vector<UINT>{WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE,
                                 WM_MOVE}));

    HWND child = CreateWindowExA(0, "LogClass", "child", WS_CHILD | WS_VISIBLE, 5, 5, 50, 20, top,
                                 reinterpret_cast<HMENU>(7), nullptr, nullptr);
    ASSERT_TRUE(child);
    std::vector<kmxtest::LoggedMessage> created = log.Take();
    std::vector<std::pair<HWND, UINT>> order;
    for (auto& logged : created)
        if (logged.message != WM_GETMINMAXINFO && logged.message != WM_NCHITTEST)
            order.push_back({logged.hwnd, logged.message});
    std::vector<std::pair<HWND, UINT>> expected{{child, WM_NCCREATE},
                                                {child, WM_NCCALCSIZE},
                                                {child, WM_CREATE},
                                                {child, WM_SIZE},
                                                {child, WM_MOVE},
                                                {top, WM_PARENTNOTIFY},
                                                {child, WM_SHOWWINDOW},
                                                {child, WM_WINDOWPOSCHANGING},
                                                {child, WM_WINDOWPOSCHANGED}};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(GetDlgCtrlID(child), 7);
    EXPECT_EQ(GetParent(child), top);
    EXPECT_FALSE(IsWindowVisible(child));  // its parent is hidden

    ASSERT_TRUE(DestroyWindow(top));
    order.clear();
    for (auto& logged : log.Take())
        if (logged.message == WM_DESTROY || logged.message == WM_NCDESTROY)
            order.push_back({logged.hwnd, logged.message});
    expected = {{top, WM_DESTROY}, {child, WM_DESTROY}, {child, WM_NCDESTROY}, {top, WM_NCDESTROY}};
    EXPECT_EQ(order, expected);
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FALSE(IsWindow(child));
}

TEST(WindowTest, HandlesFitIn32BitsAndStaleOnesFailCleanly) {
    MessageLog log("LogClass");
    HWND window = MakeTopLevel("LogClass");
    auto value = reinterpret_cast<uintptr_t>(window);
    EXPECT_EQ(value >> 32, 0u);
    // A 16-bit handle widened with a zero or 0xFFFF high word names it too.
    EXPECT_TRUE(IsWindow(reinterpret_cast<HWND>(value & 0xFFFF)));
    EXPECT_TRUE(IsWindow(reinterpret_cast<HWND>(0xFFFF0000 | (value & 0xFFFF))));
    DestroyWindow(window);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(SetWindowTextA(reinterpret_cast<HWND>(0x12345678), "x"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    // A new window does not take over the old handle.
    HWND next = MakeTopLevel("LogClass");
    EXPECT_NE(next, window);
    EXPECT_FALSE(IsWindow(window));
    DestroyWindow(next);
}

TEST(WindowTest, ClassesRegisterOnceAndAreFoundWithoutRegardToCase) {
    MessageLog log("LogClass");
    WNDCLASSA again{};
    again.lpfnWndProc = DefWindowProcA;
    again.lpszClassName = "logclass";
    EXPECT_EQ(RegisterClassA(&again), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
    HWND window = MakeTopLevel("LOGCLASS");
    ASSERT_TRUE(window);
    char name[32];
    EXPECT_EQ(GetClassNameA(window, name, sizeof name), 8);
    EXPECT_STREQ(name, "LogClass");
    EXPECT_FALSE(UnregisterClassA("LogClass", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(window);
    EXPECT_FALSE(
        CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

// A window on its own thread that answers WM_USER with wParam + 1 after
// sending WM_USER + 1 back to the window named by lParam.
LRESULT CALLBACK EchoProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_USER) {
        LRESULT inner = SendMessageA(reinterpret_cast<HWND>(lparam), WM_USER + 1, 0, 0);
        return static_cast<LRESULT>(wparam) + 1 + (InSendMessage() ? 100 : 0) + inner;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

LRESULT CALLBACK AnswerProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_USER + 1) return 1000;
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

TEST(WindowTest, SendMessageToAnotherThreadWaitsWhileHandlingMessagesSentBack) {
    WNDCLASSA echo{};
    echo.lpfnWndProc = EchoProcedure;
    echo.lpszClassName = "Echo";
    RegisterClassA(&echo);
    WNDCLASSA answer{};
    answer.lpfnWndProc = AnswerProcedure;
    answer.lpszClassName = "Answer";
    RegisterClassA(&answer);
    HWND here = MakeTopLevel("Answer", WS_POPUP);

    std::atomic<HWND> there{nullptr};
    std::atomic<DWORD> there_thread{0};
    std::thread worker([&] {
        HWND window = MakeTopLevel("Echo", WS_POPUP);
        there_thread = GetCurrentThreadId();
        there = window;
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        DestroyWindow(window);
    });
    while (!there) std::this_thread::yield();

    EXPECT_EQ(GetWindowThreadProcessId(there, nullptr), there_thread.load());
    EXPECT_EQ(SendMessageA(there, WM_USER, 41, reinterpret_cast<LPARAM>(here)), 42 + 100 + 1000);
    EXPECT_FALSE(InSendMessage());
    // Another thread's window cannot be destroyed from here.
    EXPECT_FALSE(DestroyWindow(there));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    EXPECT_TRUE(PostThreadMessageA(there_thread, WM_QUIT, 0, 0));
    worker.join();
    // The thread is gone, and so are its windows.
    EXPECT_FALSE(IsWindow(there));
    EXPECT_EQ(SendMessageA(there, WM_USER, 1, 0), 0);
    EXPECT_FALSE(PostThreadMessageA(there_thread, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
    DestroyWindow(here);
}

TEST(WindowTest, PostedMessagesComeInOrderAndQuitEndsTheLoop) {
    MessageLog log("LogClass");
    HWND window = MakeTopLevel("LogClass");
    PostMessageA(window, WM_USER + 1, 1, 0);
    PostMessageA(window, WM_USER + 2, 2, 0);
    PostQuitMessage(5);
    PostMessageA(window, WM_USER + 3, 3, 0);
    MSG msg;
    std::vector<UINT> seen;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) seen.push_back(msg.message);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 5u);
    // WM_QUIT waits until the posted messages are taken.
    EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3}));
    // A filter leaves other messages queued.
    PostMessageA(window, WM_USER + 4, 0, 0);
    PostMessageA(window, WM_USER + 5, 0, 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 4));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(window);
}

int g_timer_calls = 0;
void CALLBACK CountTimer(HWND, UINT message, UINT_PTR, DWORD) {
    if (message == WM_TIMER) ++g_timer_calls;
}

TEST(WindowTest, TimersPostWmTimerUntilKilled) {
    MessageLog log("LogClass");
    HWND window = MakeTopLevel("LogClass");
    ASSERT_EQ(SetTimer(window, 9, 15, nullptr), 9u);
    MSG msg;
    ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.wParam, 9u);
    EXPECT_TRUE(KillTimer(window, 9));
    EXPECT_FALSE(KillTimer(window, 9));
    // A thread timer gets an id of its own and calls its procedure.
    UINT_PTR id = SetTimer(nullptr, 0, 10, CountTimer);
    ASSERT_NE(id, 0u);
    while (g_timer_calls < 2) {
        ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
        EXPECT_NE(msg.hwnd, window);
        DispatchMessageA(&msg);
    }
    KillTimer(nullptr, id);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    DestroyWindow(window);
}

TEST(WindowTest, FocusMovesWithKillAndSetFocusMessages) {
    MessageLog log("LogClass");
    HWND top = MakeTopLevel("LogClass", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND first = CreateWindowExA(0, "LogClass", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, top,
                                 nullptr, nullptr, nullptr);
    HWND second = CreateWindowExA(0, "LogClass", "", WS_CHILD | WS_VISIBLE, 20, 0, 10, 10, top,
                                  nullptr, nullptr, nullptr);
    EXPECT_EQ(GetActiveWindow(), top);
    EXPECT_EQ(GetFocus(), top);
    SetFocus(first);
    log.Take();
    EXPECT_EQ(SetFocus(second), first);
    auto messages = log.Take();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].hwnd, first);
    EXPECT_EQ(messages[0].message, static_cast<UINT>(WM_KILLFOCUS));
    EXPECT_EQ(messages[0].wparam, reinterpret_cast<WPARAM>(second));
    EXPECT_EQ(messages[1].hwnd, second);
    EXPECT_EQ(messages[1].message, static_cast<UINT>(WM_SETFOCUS));
    EXPECT_EQ(messages[1].wparam, reinterpret_cast<WPARAM>(first));
    // Hiding the focused child gives the focus to its parent.
    ShowWindow(second, SW_HIDE);
    EXPECT_EQ(GetFocus(), top);
    // Disabling a window takes the focus off it.
    SetFocus(first);
    EXPECT_FALSE(EnableWindow(first, FALSE));
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_TRUE(EnableWindow(first, TRUE));
    DestroyWindow(top);
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST(WindowTest, GeometryFollowsTheFrameAndTheParent) {
    MessageLog log("LogClass");
    HWND top = CreateWindowExA(0, "LogClass", "", WS_POPUP | WS_CAPTION | WS_SYSMENU, 100, 50, 200,
                               150, nullptr, nullptr, nullptr, nullptr);
    RECT client, window;
    GetClientRect(top, &client);
    GetWindowRect(top, &window);
    RECT adjusted = client;
    AdjustWindowRectEx(&adjusted, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, 0);
    EXPECT_EQ(adjusted.right - adjusted.left, window.right - window.left);
    EXPECT_EQ(adjusted.bottom - adjusted.top, window.bottom - window.top);
    HWND child = CreateWindowExA(0, "LogClass", "", WS_CHILD, 10, 20, 30, 40, top, nullptr, nullptr,
                                 nullptr);
    POINT pt{1, 2};
    ClientToScreen(child, &pt);
    POINT origin{0, 0};
    ClientToScreen(top, &origin);
    EXPECT_EQ(pt.x, origin.x + 11);
    EXPECT_EQ(pt.y, origin.y + 22);
    POINT mapped{0, 0};
    MapWindowPoints(child, top, &mapped, 1);
    EXPECT_EQ(mapped.x, 10);
    EXPECT_EQ(mapped.y, 20);
    log.Take();
    MoveWindow(child, 15, 25, 60, 40, TRUE);
    EXPECT_EQ(
        log.TakeCodes({WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}),
        (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE,
                           WM_SIZE}));
    DestroyWindow(top);
}

WNDPROC g_previous = nullptr;
LRESULT CALLBACK Subclass(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_USER) return 77;
    return CallWindowProcA(g_previous, hwnd, message, wparam, lparam);
}

LRESULT CALLBACK WideProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_SETTEXT) {
        // A "W" procedure gets wide text whatever the sender used.
        auto* text = reinterpret_cast<LPCWSTR>(lparam);
        return text[0] == u'\u00e9' && text[1] == u'!' && text[2] == 0 ? 1 : 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

TEST(WindowTest, SubclassingAndTheAnsiAndWideForms) {
    MessageLog log("LogClass");
    HWND window = MakeTopLevel("LogClass");
    g_previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Subclass)));
    EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 77);
    SetWindowTextA(window, "subclassed");
    char text[32];
    EXPECT_EQ(GetWindowTextA(window, text, sizeof text), 10);
    EXPECT_STREQ(text, "subclassed");
    DestroyWindow(window);

    WNDCLASSW wide{};
    wide.lpfnWndProc = WideProcedure;
    wide.lpszClassName = u"Wide";
    ASSERT_TRUE(RegisterClassW(&wide));
    HWND unicode = CreateWindowExW(0, u"Wide", u"w", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   nullptr, nullptr);
    ASSERT_TRUE(unicode);
    EXPECT_TRUE(SetWindowTextA(unicode, "\xE9!"));
    // The procedure handed to an "A" caller is a handle that CallWindowProcA
    // still calls correctly.
    auto handed = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(unicode, GWLP_WNDPROC));
    EXPECT_NE(handed, WideProcedure);
    EXPECT_EQ(CallWindowProcA(handed, unicode, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("\xE9!")),
              1);
    DestroyWindow(unicode);
}

}  // namespace
