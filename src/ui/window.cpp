#include "ui/window.h"

#include "ui/application.h"

namespace kmx::ui {

Window::~Window() {
    Destroy();
}

void Window::Destroy() {
    // WM_NCDESTROY clears the handle, also when the parent destroys it.
    if (hwnd_) DestroyWindow(hwnd_);
}

bool Window::CreateWindowOfClass(const char* class_name, UINT class_style, const char* name,
                                 DWORD style, HWND parent, const RECT& rect, int id) {
    if (hwnd_ || !RegisterWindowClass(class_name, class_style, Procedure)) return false;
    HWND made =
        CreateWindowExA(0, class_name, name, style, rect.left, rect.top, rect.right - rect.left,
                        rect.bottom - rect.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleInstance(), this);
    return made != nullptr;
}

LRESULT Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    return DefaultProcessing(message, wparam, lparam);
}

LRESULT Window::DefaultProcessing(UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        // The object comes with the creation; from here on the window's
        // messages reach it.
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self) return DefWindowProcA(hwnd, message, wparam, lparam);
    LRESULT result = self->HandleMessage(message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

}  // namespace kmx::ui
