// A top-level window that hosts the common controls under test: it records
// the notifications its controls send (WM_HSCROLL, WM_VSCROLL, WM_NOTIFY)
// and answers WM_NOTIFY as the test asks. Input goes in through the
// snapshot extension, the path real input takes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <utility>
#include <vector>

namespace kmxtest {

struct Notification {
    UINT message;  // WM_HSCROLL, WM_VSCROLL or WM_NOTIFY
    WORD code;     // the scroll code; for WM_NOTIFY see notify_code
    WORD position;
    HWND from;
    UINT notify_code;
    UINT_PTR id;
};

class ControlHost {
  public:
    ControlHost();
    ~ControlHost();
    ControlHost(const ControlHost&) = delete;
    ControlHost& operator=(const ControlHost&) = delete;

    HWND Window() const { return window_; }
    // A child control of CLASS_NAME with STYLE (WS_CHILD | WS_VISIBLE
    // added) and id ID at RECT of the host's client area.
    HWND AddControl(const char* class_name, DWORD style, RECT rect, int id = 100);

    std::vector<Notification> Take() { return std::exchange(notifications_, {}); }
    // Answers WM_NOTIFY; the default answers 0.
    std::function<LRESULT(const NMHDR&)> on_notify;
    // Runs on each scroll notification, after it is recorded.
    std::function<void(const Notification&)> on_scroll;

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    HWND window_ = nullptr;
    std::vector<Notification> notifications_;
};

// Dispatches every message waiting in this thread's queue.
void Pump();
// Dispatches messages until DONE answers true or TIMEOUT_MS pass; whether
// DONE answered true.
bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms = 10000);

// The mouse to client point PT of HWND, with MOUSEEVENTF_ button flags, and
// a key going down or up, put in the path real input takes; each then
// dispatches what it caused.
void MouseAt(HWND hwnd, POINT pt, DWORD flags = 0);
void Key(WORD vk, bool up = false);
// A key pressed and released.
void Tap(WORD vk);
// The same without dispatching, for a modal loop to take the input as it
// takes the user's.
void InjectMouseAt(HWND hwnd, POINT pt, DWORD flags = 0);
void InjectTap(WORD vk);

}  // namespace kmxtest
