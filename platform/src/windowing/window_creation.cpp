// CreateWindowEx: a window record, its place in the tree and the messages of
// its creation, in Windows' order: WM_GETMINMAXINFO (windows with a sizing
// frame or overlapped ones), WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE,
// WM_MOVE, WM_PARENTNOTIFY to the parent, then the showing of a WS_VISIBLE
// window.
#include "text/ansi_code_page.h"
#include "windowing/display.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_destruction.h"
#include "windowing/window_procedure.h"
#include "windowing/window_surface.h"

#include <algorithm>
#include <string>

namespace kmxwin::win {
namespace {

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageTo(hwnd, message, wparam, lparam, false);
}

// Where CW_USEDEFAULT puts an overlapped window: cascaded from the screen's
// corner, three quarters of the screen in size.
POINT DefaultPosition() {
    static int next = 0;
    int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
    int n = next++ % 8;
    return {step * (n + 1), step * (n + 1)};
}

struct Request {
    DWORD ex_style;
    LPCSTR class_name;         // ANSI name or atom
    const void* caller_class;  // the name as the caller gave it
    const void* window_name;
    DWORD style;
    int x, y, width, height;
    HWND parent;
    HMENU menu;
    HINSTANCE instance;
    LPVOID param;
    bool unicode;
};

HWND Create(const Request& request) {
    std::shared_ptr<WindowClass> window_class;
    {
        std::lock_guard lock(UserLock());
        window_class = FindWindowClass(request.class_name, request.instance);
    }
    if (!window_class) return nullptr;

    auto window = std::make_shared<Window>();
    DWORD style = request.style;
    DWORD ex_style = request.ex_style;
    // An overlapped window always has a caption and clips its siblings.
    if (!(style & (WS_CHILD | WS_POPUP))) style |= WS_CAPTION | WS_CLIPSIBLINGS;
    if ((ex_style & WS_EX_DLGMODALFRAME) || (style & (WS_DLGFRAME | WS_THICKFRAME)))
        ex_style |= WS_EX_WINDOWEDGE;
    int x = request.x, y = request.y, width = request.width, height = request.height;
    bool overlapped = !(style & (WS_CHILD | WS_POPUP));
    if (x == CW_USEDEFAULT) {
        if (overlapped) {
            POINT position = DefaultPosition();
            x = position.x;
            y = position.y;
        } else {
            x = y = 0;
        }
    }
    if (width == CW_USEDEFAULT) {
        if (overlapped) {
            width = GetSystemMetrics(SM_CXSCREEN) * 3 / 4;
            height = GetSystemMetrics(SM_CYSCREEN) * 3 / 4;
        } else {
            width = height = 0;
        }
    }
    width = std::max(width, 0);
    height = std::max(height, 0);

    HWND hwnd;
    HWND parent_handle = nullptr;
    bool child = style & WS_CHILD;
    std::shared_ptr<ThreadQueue> queue = CurrentQueuePtr();
    {
        std::lock_guard lock(UserLock());
        Window* parent = &Desktop();
        if (child) {
            if (!request.parent) {
                SetLastError(ERROR_TLW_WITH_WSCHILD);
                return nullptr;
            }
            parent = LookupWindowLocked(request.parent);
            if (!parent) return nullptr;
            if (parent->destroying) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return nullptr;
            }
            parent_handle = parent->handle;
        } else if (request.parent) {
            Window* owner = LookupWindowLocked(request.parent);
            if (!owner) return nullptr;
            window->owner = TopLevelOf(*owner).handle;
        }
        window->window_class = window_class;
        window->queue = queue;
        window->thread_id = window->queue->thread_id;
        window->style = style & ~WS_VISIBLE;
        window->ex_style = ex_style;
        window->parent = parent;
        window->window_rect = {x, y, x + width, y + height};
        window->client_rect = window->window_rect;
        window->proc = window_class->proc;
        window->unicode = window_class->unicode;
        window->id = reinterpret_cast<LONG_PTR>(request.menu);
        window->instance = request.instance;
        window->extra.assign(window_class->window_extra, 0);
        if (!InsertWindow(window)) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        hwnd = window->handle;
        // Children join their siblings at the bottom, so that creation order
        // is the z-order and the dialog tab order; top-level windows at the
        // top.
        LinkChild(*window, !child);
        if (!child) window->surface = std::make_unique<WindowSurface>(width, height);
    }
    if (!child) TheDisplay().WindowCreated(hwnd, {x, y, x + width, y + height});

    CREATESTRUCTA create{request.param,
                         request.instance,
                         request.menu,
                         child ? parent_handle : request.parent,
                         height,
                         width,
                         y,
                         x,
                         static_cast<LONG>(style),
                         static_cast<LPCSTR>(request.window_name),
                         static_cast<LPCSTR>(request.caller_class),
                         ex_style};
    // CREATESTRUCTW has the same layout: a "W" caller's names go as given.
    auto send = [&](UINT message, WPARAM wparam, LPARAM lparam) {
        return SendMessageTo(hwnd, message, wparam, lparam, request.unicode);
    };
    LPARAM create_param = reinterpret_cast<LPARAM>(&create);

    if ((style & WS_THICKFRAME) || overlapped) {
        MINMAXINFO limits{};
        limits.ptMaxSize = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        limits.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
        limits.ptMaxTrackSize = {GetSystemMetrics(SM_CXSCREEN) + 12,
                                 GetSystemMetrics(SM_CYSCREEN) + 12};
        send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    }
    if (!send(WM_NCCREATE, 0, create_param)) {
        FreeWindowTree(hwnd);
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    RECT client{x, y, x + width, y + height};
    send(WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&client));
    {
        std::lock_guard lock(UserLock());
        Window* made = FindWindowLocked(hwnd);
        if (!made) return nullptr;
        made->client_rect = client;
    }
    if (send(WM_CREATE, 0, create_param) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    {
        std::lock_guard lock(UserLock());
        Window* made = FindWindowLocked(hwnd);
        if (!made) return nullptr;
        made->created = true;
        client = made->client_rect;
    }
    Send(hwnd, WM_SIZE, SIZE_RESTORED,
         MAKELONG(client.right - client.left, client.bottom - client.top));
    Send(hwnd, WM_MOVE, 0, MAKELONG(client.left, client.top));
    if (child && !(ex_style & WS_EX_NOPARENTNOTIFY))
        NotifyParents(hwnd, MAKEWPARAM(WM_CREATE, LOWORD(request.menu)));
    if (!IsWindow(hwnd)) return nullptr;
    if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

}  // namespace
}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam) {
    if (!lpClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return Create({dwExStyle, lpClassName, lpClassName, lpWindowName, dwStyle, X, Y, nWidth,
                   nHeight, hWndParent, hMenu, hInstance, lpParam, false});
}

HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName,
                            DWORD dwStyle, int X, int Y, int nWidth, int nHeight, HWND hWndParent,
                            HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
    if (!lpClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string class_name;
    LPCSTR ansi_class = reinterpret_cast<LPCSTR>(lpClassName);
    if (!IS_INTRESOURCE(lpClassName)) {
        class_name = kmxwin::text::Utf16ToAnsi(lpClassName);
        ansi_class = class_name.c_str();
    }
    return Create({dwExStyle, ansi_class, lpClassName, lpWindowName, dwStyle, X, Y, nWidth, nHeight,
                   hWndParent, hMenu, hInstance, lpParam, true});
}

}  // extern "C"
