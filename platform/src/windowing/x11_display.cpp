// The X11 display: each top-level window is an X window showing its surface;
// the pointer and the keyboard of the X server feed the window system's
// input, and cursor confinement and hiding go through the server (a pointer
// grab confined to a window over the clip rectangle; XFixes to hide).
//
// One thread reads the server's events; it holds no lock of the window
// system while it waits, and stops when asked through a pipe.
#include "windowing/display.h"
#include "windowing/input_injection.h"
#include "windowing/paint_state.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

namespace kmxwin::win {
namespace {

// The virtual key of an X key symbol, on a US layout.
WORD VirtualKeyOf(KeySym sym) {
    if (sym >= XK_a && sym <= XK_z) return static_cast<WORD>('A' + (sym - XK_a));
    if (sym >= XK_A && sym <= XK_Z) return static_cast<WORD>('A' + (sym - XK_A));
    if (sym >= XK_0 && sym <= XK_9) return static_cast<WORD>('0' + (sym - XK_0));
    if (sym >= XK_F1 && sym <= XK_F12) return static_cast<WORD>(VK_F1 + (sym - XK_F1));
    if (sym >= XK_KP_0 && sym <= XK_KP_9) return static_cast<WORD>(VK_NUMPAD0 + (sym - XK_KP_0));
    switch (sym) {
        case XK_BackSpace:
            return VK_BACK;
        case XK_Tab:
        case XK_ISO_Left_Tab:
            return VK_TAB;
        case XK_Return:
        case XK_KP_Enter:
            return VK_RETURN;
        case XK_Escape:
            return VK_ESCAPE;
        case XK_space:
            return VK_SPACE;
        case XK_Left:
            return VK_LEFT;
        case XK_Up:
            return VK_UP;
        case XK_Right:
            return VK_RIGHT;
        case XK_Down:
            return VK_DOWN;
        case XK_Home:
            return VK_HOME;
        case XK_End:
            return VK_END;
        case XK_Prior:
            return VK_PRIOR;
        case XK_Next:
            return VK_NEXT;
        case XK_Insert:
            return VK_INSERT;
        case XK_Delete:
            return VK_DELETE;
        case XK_Shift_L:
            return VK_LSHIFT;
        case XK_Shift_R:
            return VK_RSHIFT;
        case XK_Control_L:
            return VK_LCONTROL;
        case XK_Control_R:
            return VK_RCONTROL;
        case XK_Alt_L:
            return VK_LMENU;
        case XK_Alt_R:
            return VK_RMENU;
        case XK_Caps_Lock:
            return VK_CAPITAL;
        case XK_semicolon:
            return VK_OEM_1;
        case XK_equal:
            return VK_OEM_PLUS;
        case XK_comma:
            return VK_OEM_COMMA;
        case XK_minus:
            return VK_OEM_MINUS;
        case XK_period:
            return VK_OEM_PERIOD;
        case XK_slash:
            return VK_OEM_2;
        case XK_grave:
            return VK_OEM_3;
        case XK_bracketleft:
            return VK_OEM_4;
        case XK_backslash:
            return VK_OEM_5;
        case XK_bracketright:
            return VK_OEM_6;
        case XK_apostrophe:
            return VK_OEM_7;
        default:
            return 0;
    }
}

class X11Display : public Display {
  public:
    explicit X11Display(::Display* x) : x_(x) {
        int screen = DefaultScreen(x_);
        root_ = RootWindow(x_, screen);
        size_ = {DisplayWidth(x_, screen), DisplayHeight(x_, screen)};
        int event_base, error_base;
        has_xfixes_ = XFixesQueryExtension(x_, &event_base, &error_base);
        if (pipe(wake_) != 0) wake_[0] = wake_[1] = -1;
        // A server that goes away ends the display, not the process.
        XSetIOErrorExitHandler(
            x_, [](::Display*, void* self) { static_cast<X11Display*>(self)->lost_ = true; }, this);
        reader_ = std::thread([this] { ReadEvents(); });
    }

    ~X11Display() override {
        if (wake_[1] >= 0) (void)!write(wake_[1], "x", 1);
        if (reader_.joinable()) reader_.join();
        if (!lost_) XCloseDisplay(x_);
    }

    const char* Name() const override { return "x11"; }
    SIZE ScreenSize() const override { return size_; }

    void WindowCreated(HWND hwnd, const RECT& rect) override {
        std::lock_guard lock(lock_);
        if (lost_) return;
        XSetWindowAttributes attributes{};
        attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                                PointerMotionMask | KeyPressMask | KeyReleaseMask;
        // The window system draws the frames itself.
        attributes.override_redirect = True;
        attributes.background_pixel = BlackPixel(x_, DefaultScreen(x_));
        ::Window window = XCreateWindow(
            x_, root_, rect.left, rect.top, std::max<int>(1, rect.right - rect.left),
            std::max<int>(1, rect.bottom - rect.top), 0, CopyFromParent, InputOutput,
            CopyFromParent, CWEventMask | CWOverrideRedirect | CWBackPixel, &attributes);
        windows_[hwnd] = window;
        by_window_[window] = hwnd;
        XFlush(x_);
    }

    void WindowDestroyed(HWND hwnd) override {
        std::lock_guard lock(lock_);
        if (lost_) return;
        auto found = windows_.find(hwnd);
        if (found == windows_.end()) return;
        XDestroyWindow(x_, found->second);
        by_window_.erase(found->second);
        windows_.erase(found);
        XFlush(x_);
    }

    void WindowShown(HWND hwnd, bool visible) override {
        std::lock_guard lock(lock_);
        if (lost_) return;
        auto found = windows_.find(hwnd);
        if (found == windows_.end()) return;
        if (visible)
            XMapRaised(x_, found->second);
        else
            XUnmapWindow(x_, found->second);
        XFlush(x_);
    }

    void WindowMoved(HWND hwnd, const RECT& rect) override {
        std::lock_guard lock(lock_);
        if (lost_) return;
        auto found = windows_.find(hwnd);
        if (found == windows_.end()) return;
        XMoveResizeWindow(x_, found->second, rect.left, rect.top,
                          std::max<int>(1, rect.right - rect.left),
                          std::max<int>(1, rect.bottom - rect.top));
        XFlush(x_);
    }

    void Present(HWND hwnd, cairo_surface_t* surface, const RECT& dirty) override {
        cairo_surface_flush(surface);
        int width = cairo_image_surface_get_width(surface);
        int height = cairo_image_surface_get_height(surface);
        RECT area{std::max<LONG>(dirty.left, 0), std::max<LONG>(dirty.top, 0),
                  std::min<LONG>(dirty.right, width), std::min<LONG>(dirty.bottom, height)};
        if (area.right <= area.left || area.bottom <= area.top) return;
        std::lock_guard lock(lock_);
        if (lost_) return;
        auto found = windows_.find(hwnd);
        if (found == windows_.end()) return;
        Visual* visual = DefaultVisual(x_, DefaultScreen(x_));
        XImage* image = XCreateImage(x_, visual, 24, ZPixmap, 0,
                                     reinterpret_cast<char*>(cairo_image_surface_get_data(surface)),
                                     width, height, 32, cairo_image_surface_get_stride(surface));
        if (!image) return;
        GC gc = DefaultGC(x_, DefaultScreen(x_));
        XPutImage(x_, found->second, gc, image, area.left, area.top, area.left, area.top,
                  area.right - area.left, area.bottom - area.top);
        image->data = nullptr;  // the surface keeps its pixels
        XDestroyImage(image);
        XFlush(x_);
    }

    void CursorMoved(POINT pt) override {
        std::lock_guard lock(lock_);
        if (lost_) return;
        XWarpPointer(x_, None, root_, 0, 0, 0, 0, pt.x, pt.y);
        XFlush(x_);
    }

    void CursorClipped(const RECT* clip) override {
        std::lock_guard lock(lock_);
        if (lost_) return;
        if (confine_) {
            XUngrabPointer(x_, CurrentTime);
            XDestroyWindow(x_, confine_);
            confine_ = 0;
        }
        if (clip) {
            XSetWindowAttributes attributes{};
            attributes.override_redirect = True;
            confine_ = XCreateWindow(x_, root_, clip->left, clip->top,
                                     std::max<int>(1, clip->right - clip->left),
                                     std::max<int>(1, clip->bottom - clip->top), 0, 0, InputOnly,
                                     CopyFromParent, CWOverrideRedirect, &attributes);
            XMapWindow(x_, confine_);
            XGrabPointer(x_, root_, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                         GrabModeAsync, GrabModeAsync, confine_, None, CurrentTime);
        }
        XFlush(x_);
    }

    void CursorShown(bool visible) override {
        if (!has_xfixes_) return;
        std::lock_guard lock(lock_);
        if (lost_) return;
        if (visible)
            XFixesShowCursor(x_, root_);
        else
            XFixesHideCursor(x_, root_);
        XFlush(x_);
    }

    void Beep() override {
        std::lock_guard lock(lock_);
        if (lost_) return;
        XBell(x_, 0);
        XFlush(x_);
    }

  private:
    void ReadEvents() {
        int connection = ConnectionNumber(x_);
        for (;;) {
            std::unique_lock lock(lock_);
            while (!lost_ && XPending(x_)) {
                XEvent event;
                XNextEvent(x_, &event);
                lock.unlock();
                Handle(event);
                lock.lock();
            }
            if (lost_) return;
            lock.unlock();
            pollfd waits[2] = {{connection, POLLIN, 0}, {wake_[0], POLLIN, 0}};
            if (poll(waits, wake_[0] >= 0 ? 2 : 1, -1) < 0) continue;
            if (waits[1].revents) return;
        }
    }

    void Handle(const XEvent& event) {
        switch (event.type) {
            case MotionNotify:
                InjectMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                            {event.xmotion.x_root, event.xmotion.y_root}, 0, InputSource::Display);
                break;
            case ButtonPress:
            case ButtonRelease: {
                bool down = event.type == ButtonPress;
                DWORD flags = 0;
                int wheel = 0;
                switch (event.xbutton.button) {
                    case Button1:
                        flags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
                        break;
                    case Button2:
                        flags = down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP;
                        break;
                    case Button3:
                        flags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
                        break;
                    case Button4:
                        if (down) {
                            flags = MOUSEEVENTF_WHEEL;
                            wheel = WHEEL_DELTA;
                        }
                        break;
                    case Button5:
                        if (down) {
                            flags = MOUSEEVENTF_WHEEL;
                            wheel = -WHEEL_DELTA;
                        }
                        break;
                    default:
                        break;
                }
                if (flags)
                    InjectMouse(flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                                {event.xbutton.x_root, event.xbutton.y_root}, wheel,
                                InputSource::Display);
                break;
            }
            case KeyPress:
            case KeyRelease: {
                XKeyEvent key = event.xkey;
                KeySym sym = XLookupKeysym(&key, 0);
                if (WORD vk = VirtualKeyOf(sym)) InjectKey(vk, event.type == KeyRelease, false);
                break;
            }
            case Expose: {
                HWND hwnd = nullptr;
                {
                    std::lock_guard lock(lock_);
                    auto found = by_window_.find(event.xexpose.window);
                    if (found != by_window_.end()) hwnd = found->second;
                }
                // The window's own thread paints it again and shows it.
                if (hwnd) InvalidateWhole(hwnd);
                break;
            }
            default:
                break;
        }
    }

    ::Display* x_;
    ::Window root_;
    SIZE size_;
    bool has_xfixes_ = false;
    int wake_[2] = {-1, -1};
    std::thread reader_;
    std::mutex lock_;  // guards the connection's use and the maps
    std::map<HWND, ::Window> windows_;
    std::map<::Window, HWND> by_window_;
    ::Window confine_ = 0;
    std::atomic<bool> lost_{false};  // the server went away
};

}  // namespace

std::unique_ptr<Display> MakeX11Display() {
    XInitThreads();
    // The loss of the server is handled per display, quietly.
    XSetIOErrorHandler([](::Display*) { return 0; });
    ::Display* x = XOpenDisplay(nullptr);
    if (!x) return nullptr;
    return std::make_unique<X11Display>(x);
}

}  // namespace kmxwin::win
