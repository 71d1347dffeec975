#include "control_host.h"

#include <gtest/gtest.h>
#include <kmxwin/window_snapshot.h>

namespace kmxtest {
namespace {

constexpr char kHostClass[] = "KmxControlHost";

}  // namespace

ControlHost::ControlHost() {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    EXPECT_TRUE(InitCommonControlsEx(&init));
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = Procedure;
    window_class.lpszClassName = kHostClass;
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&window_class);
    window_ = CreateWindowExA(0, kHostClass, "host", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300,
                              nullptr, nullptr, nullptr, this);
    EXPECT_TRUE(window_);
    SetForegroundWindow(window_);
}

ControlHost::~ControlHost() {
    DestroyWindow(window_);
    UnregisterClassA(kHostClass, nullptr);
}

HWND ControlHost::AddControl(const char* class_name, DWORD style, RECT rect, int id) {
    HWND control =
        CreateWindowExA(0, class_name, "", WS_CHILD | WS_VISIBLE | style, rect.left, rect.top,
                        rect.right - rect.left, rect.bottom - rect.top, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    EXPECT_TRUE(control) << class_name;
    return control;
}

LRESULT CALLBACK ControlHost::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* host = reinterpret_cast<ControlHost*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (host && (message == WM_HSCROLL || message == WM_VSCROLL)) {
        Notification made{
            message, LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam), 0, 0};
        host->notifications_.push_back(made);
        if (host->on_scroll) host->on_scroll(made);
        return 0;
    }
    if (host && message == WM_NOTIFY) {
        const auto& header = *reinterpret_cast<const NMHDR*>(lparam);
        host->notifications_.push_back(
            {message, 0, 0, header.hwndFrom, header.code, header.idFrom});
        return host->on_notify ? host->on_notify(header) : 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeout_ms) return false;
        // A timer that is due wakes the wait; nothing here sleeps blindly.
        UINT_PTR guard = SetTimer(nullptr, 0, 50, nullptr);
        MSG msg;
        if (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        KillTimer(nullptr, guard);
        Pump();
    }
    return true;
}

void InjectMouseAt(HWND hwnd, POINT pt, DWORD flags) {
    ClientToScreen(hwnd, &pt);
    KmxWinInjectMouse(flags, pt.x, pt.y);
}

void InjectTap(WORD vk) {
    KmxWinInjectKey(vk, FALSE);
    KmxWinInjectKey(vk, TRUE);
}

void MouseAt(HWND hwnd, POINT pt, DWORD flags) {
    InjectMouseAt(hwnd, pt, flags);
    Pump();
}

void Key(WORD vk, bool up) {
    KmxWinInjectKey(vk, up);
    Pump();
}

void Tap(WORD vk) {
    Key(vk);
    Key(vk, true);
}

}  // namespace kmxtest
