#include "windowing/device_contexts.h"

#include "gdi/gdi_surface.h"
#include "windowing/caret.h"
#include "windowing/display.h"
#include "windowing/paint_state.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_procedure.h"
#include "windowing/window_surface.h"

#include <map>

namespace kmxwin::win {
namespace {

struct HandedOut {
    HWND hwnd;
    RECT screen_clip;  // what the DC may have drawn on
};

// The DCs handed out and not yet given back (guarded by UserLock()).
std::map<HDC, HandedOut>& HandedOutDcs() {
    static auto* dcs = new std::map<HDC, HandedOut>;
    return *dcs;
}

// A DC on WINDOW's client area (or whole window), clipped to AREA (client
// or window coordinates; nullptr: all of it) and to every ancestor's client
// area. Lock held.
HDC MakeDc(Window& window, bool whole_window, const RECT* area) {
    Window& top = TopLevelOf(window);
    if (!top.surface) return nullptr;
    RECT top_rect = ScreenWindowRect(top);
    RECT own = whole_window ? ScreenWindowRect(window) : ScreenClientRect(window);
    RECT clip = own;
    if (area) clip = IntersectRects(clip, OffsetRectBy(*area, own.left, own.top));
    for (Window* ancestor = window.parent; ancestor && ancestor->parent;
         ancestor = ancestor->parent)
        clip = IntersectRects(clip, ScreenClientRect(*ancestor));
    RECT surface_clip = OffsetRectBy(clip, -top_rect.left, -top_rect.top);
    POINT origin{own.left - top_rect.left, own.top - top_rect.top};
    HDC dc = gdi::CreateSurfaceDC(top.surface->surface, origin, surface_clip);
    if (dc) HandedOutDcs()[dc] = {window.handle, clip};
    return dc;
}

HDC DcFor(HWND hwnd, bool whole_window, const RECT* area) {
    std::lock_guard lock(UserLock());
    Window* window = LookupWindowLocked(hwnd);
    if (!window) return nullptr;
    return MakeDc(*window, whole_window, area);
}

bool GiveBack(HDC dc) {
    HandedOut handed;
    {
        std::lock_guard lock(UserLock());
        auto found = HandedOutDcs().find(dc);
        if (found == HandedOutDcs().end()) return false;
        handed = found->second;
        HandedOutDcs().erase(found);
    }
    gdi::DeleteSurfaceDC(dc);
    PresentWindowArea(handed.hwnd, handed.screen_clip);
    return true;
}

}  // namespace

void PresentWindowArea(HWND hwnd, const RECT& dirty) {
    HWND top_handle;
    cairo_surface_t* surface;
    RECT area;
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window) return;
        Window& top = TopLevelOf(*window);
        if (!top.surface || !IsVisibleLocked(top)) return;
        RECT top_rect = ScreenWindowRect(top);
        area = OffsetRectBy(IntersectRects(dirty, top_rect), -top_rect.left, -top_rect.top);
        top_handle = top.handle;
        surface = top.surface->surface;
    }
    // The surface belongs to the window's thread, which is this one.
    if (!IsEmptyRect(area)) TheDisplay().Present(top_handle, surface, area);
}

}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

HDC WINAPI GetDC(HWND hWnd) {
    // The screen's DC is not offered: windows draw only on themselves.
    if (!hWnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return DcFor(hWnd, false, nullptr);
}

HDC WINAPI GetWindowDC(HWND hWnd) {
    if (!hWnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return DcFor(hWnd, true, nullptr);
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
    (void)hWnd;
    return GiveBack(hDC) ? 1 : 0;
}

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    if (!lpPaint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    bool frame;
    {
        std::lock_guard lock(UserLock());
        Window* window = LookupWindowLocked(hWnd);
        if (!window) return nullptr;
        hWnd = window->handle;
        frame = window->needs_frame;
        window->needs_frame = false;
    }
    HideCaretForPaint(hWnd);
    if (frame) SendMessageTo(hWnd, WM_NCPAINT, 1, 0, false);
    RECT update;
    bool erase;
    HDC dc;
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hWnd);
        if (!window) return nullptr;
        update = window->needs_paint ? window->update : RECT{0, 0, 0, 0};
        erase = window->needs_erase;
        ValidateLocked(*window, nullptr);
        dc = MakeDc(*window, false, &update);
    }
    *lpPaint = {};
    lpPaint->hdc = dc;
    lpPaint->rcPaint = update;
    lpPaint->fErase = TRUE;
    if (erase && dc)
        lpPaint->fErase =
            !SendMessageTo(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0, false);
    return dc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
    if (lpPaint && lpPaint->hdc) GiveBack(lpPaint->hdc);
    ShowCaretAfterPaint(hWnd);
    return TRUE;
}

}  // extern "C"
