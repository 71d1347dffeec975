// A plain window of a custom window class: the C++ object behind one child
// window, reached from the window procedure through the window's user data.
#pragma once

#include <windows.h>

namespace kmx::ui {

class Window {
  public:
    Window() = default;
    // Destroys the window if it still exists.
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The window, or null while none exists.
    HWND Handle() const { return hwnd_; }
    void Destroy();

  protected:
    // Registers CLASS_NAME (once, with CLASS_STYLE) and creates the window
    // with NAME and STYLE in RECT (parent client coordinates) as child ID of
    // PARENT. False when either step fails.
    bool CreateWindowOfClass(const char* class_name, UINT class_style, const char* name,
                             DWORD style, HWND parent, const RECT& rect, int id);

    // Every message of the window; the base gives default processing.
    virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
    // The system's default processing of a message.
    LRESULT DefaultProcessing(UINT message, WPARAM wparam, LPARAM lparam);

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

    HWND hwnd_ = nullptr;
};

}  // namespace kmx::ui
