// The window procedure that every common control shares: the control's
// object lives behind a pointer in the window's extra bytes, made at
// WM_NCCREATE and freed after WM_NCDESTROY.
//
// A control calls out while it handles a message (a notification to its
// parent), and the parent may destroy the control right there. The object
// then outlives its window until the outermost message returns, so a
// handler never runs on freed memory; it asks Alive() after calling out.
#pragma once

#include <windows.h>

#include <new>

namespace kmxwin::controls {

// The client point of a mouse message's LPARAM.
inline POINT PointFromLParam(LPARAM lparam) {
    return {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
}

class ControlWindow {
  public:
    explicit ControlWindow(HWND hwnd) : hwnd_(hwnd) {}
    virtual ~ControlWindow() = default;
    ControlWindow(const ControlWindow&) = delete;
    ControlWindow& operator=(const ControlWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    // False once the window has been destroyed under a handler's feet.
    bool Alive() const { return alive_; }

    // The messages of the control; it hands the rest to Default.
    virtual LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) = 0;
    // What every control does with the rest: it repaints as it gains or
    // loses the focus or is enabled or disabled, paints everything in
    // WM_PAINT (so it skips erasing), and leaves the rest to DefWindowProc.
    LRESULT Default(UINT message, WPARAM wparam, LPARAM lparam);

    // Sends WM_NOTIFY with CODE to the parent; its answer.
    LRESULT NotifyParent(UINT code);
    // The brush the parent wants the control's background in
    // (WM_CTLCOLORSTATIC), the button face when it has no wish.
    HBRUSH BackgroundBrush(HDC dc);
    // Schedules a repaint of the whole control.
    void Invalidate() { InvalidateRect(hwnd_, nullptr, FALSE); }
    // Paints the whole control into DC.
    virtual void Paint(HDC dc) = 0;

    // The procedure of a class whose controls are CONTROL objects.
    template <class Control>
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_NCCREATE) {
            auto* made = new (std::nothrow) Control(hwnd);
            if (!made) return FALSE;
            SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(made));
            if (Dispatch(hwnd, message, wparam, lparam)) return TRUE;
            // Creation stops here without WM_NCDESTROY.
            SetWindowLongPtrA(hwnd, 0, 0);
            delete made;
            return FALSE;
        }
        return Dispatch(hwnd, message, wparam, lparam);
    }

    // How many bytes of window extra memory the classes ask for.
    static constexpr int kWindowExtra = sizeof(ControlWindow*);

  private:
    static LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

    HWND hwnd_;
    bool alive_ = true;
    int depth_ = 0;  // messages of this control being handled now
};

}  // namespace kmxwin::controls
