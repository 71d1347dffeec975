#include "x11_client.h"

#include <X11/Xlib.h>

namespace kmxtest {

XClient::XClient(const std::string& display) : display_(XOpenDisplay(display.c_str())) {}

XClient::~XClient() {
    if (display_) XCloseDisplay(static_cast<Display*>(display_));
}

void XClient::WarpPointer(int x, int y) {
    auto* display = static_cast<Display*>(display_);
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
    XSync(display, False);
}

void XClient::QueryPointer(int* x, int* y) {
    auto* display = static_cast<Display*>(display_);
    Window root, child;
    int window_x, window_y;
    unsigned mask;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, x, y, &window_x, &window_y,
                  &mask);
}

}  // namespace kmxtest
