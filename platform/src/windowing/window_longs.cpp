// GetWindowLong and SetWindowLong: the window's extra bytes and its styles,
// id, user data, procedure, module and parent.
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_procedure.h"

#include <string.h>

namespace kmxwin::win {
namespace {

// Reads SIZE bytes (4 or 8) at INDEX of the window's longs.
LONG_PTR GetLong(HWND hwnd, int index, size_t size, bool unicode) {
    WNDPROC proc = nullptr;
    bool proc_unicode = false;
    {
        std::lock_guard lock(UserLock());
        Window* window = LookupWindowLocked(hwnd);
        if (!window) return 0;
        if (index >= 0) {
            if (static_cast<size_t>(index) + size > window->extra.size()) {
                SetLastError(ERROR_INVALID_INDEX);
                return 0;
            }
            if (size == sizeof(LONG)) {
                LONG value;
                memcpy(&value, window->extra.data() + index, sizeof value);
                return value;
            }
            LONG_PTR value;
            memcpy(&value, window->extra.data() + index, sizeof value);
            return value;
        }
        switch (index) {
            case GWL_STYLE:
                return static_cast<LONG>(window->style);
            case GWL_EXSTYLE:
                return static_cast<LONG>(window->ex_style);
            case GWLP_ID:
                return window->id;
            case GWLP_USERDATA:
                return window->user_data;
            case GWLP_HINSTANCE:
                return reinterpret_cast<LONG_PTR>(window->instance);
            case GWLP_HWNDPARENT:
                if (window->style & WS_CHILD)
                    return reinterpret_cast<LONG_PTR>(window->parent ? window->parent->handle
                                                                     : nullptr);
                return reinterpret_cast<LONG_PTR>(window->owner);
            case GWLP_WNDPROC:
                proc = window->proc;
                proc_unicode = window->unicode;
                break;
            default:
                SetLastError(ERROR_INVALID_INDEX);
                return 0;
        }
    }
    return reinterpret_cast<LONG_PTR>(ProcedureForCaller(proc, proc_unicode, unicode));
}

LONG_PTR SetStyle(HWND hwnd, int index, DWORD value, bool unicode) {
    STYLESTRUCT style;
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window) return 0;
        style.styleOld = index == GWL_STYLE ? window->style : window->ex_style;
    }
    style.styleNew = value;
    SendMessageTo(hwnd, WM_STYLECHANGING, static_cast<WPARAM>(index),
                  reinterpret_cast<LPARAM>(&style), unicode);
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window) return 0;
        (index == GWL_STYLE ? window->style : window->ex_style) = style.styleNew;
    }
    SendMessageTo(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(index),
                  reinterpret_cast<LPARAM>(&style), unicode);
    return static_cast<LONG>(style.styleOld);
}

LONG_PTR SetProcedure(HWND hwnd, WNDPROC given, bool unicode) {
    WNDPROC proc, previous;
    bool proc_unicode, previous_unicode;
    ResolveProcedure(given, unicode, &proc, &proc_unicode);
    {
        std::lock_guard lock(UserLock());
        Window* window = LookupWindowLocked(hwnd);
        if (!window) return 0;
        if (!window->queue) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
        previous = window->proc;
        previous_unicode = window->unicode;
        window->proc = proc;
        window->unicode = proc_unicode;
    }
    return reinterpret_cast<LONG_PTR>(ProcedureForCaller(previous, previous_unicode, unicode));
}

LONG_PTR SetLong(HWND hwnd, int index, LONG_PTR value, size_t size, bool unicode) {
    if (index == GWLP_WNDPROC) return SetProcedure(hwnd, reinterpret_cast<WNDPROC>(value), unicode);
    HWND full;
    {
        std::lock_guard lock(UserLock());
        Window* window = LookupWindowLocked(hwnd);
        if (!window) return 0;
        if (!window->queue) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
        full = window->handle;
        LONG_PTR old;
        if (index >= 0) {
            if (static_cast<size_t>(index) + size > window->extra.size()) {
                SetLastError(ERROR_INVALID_INDEX);
                return 0;
            }
            BYTE* place = window->extra.data() + index;
            if (size == sizeof(LONG)) {
                LONG previous, given = static_cast<LONG>(value);
                memcpy(&previous, place, sizeof previous);
                memcpy(place, &given, sizeof given);
                return previous;
            }
            memcpy(&old, place, sizeof old);
            memcpy(place, &value, sizeof value);
            return old;
        }
        switch (index) {
            case GWL_STYLE:
            case GWL_EXSTYLE:
                break;
            case GWLP_ID:
                old = window->id;
                window->id = value;
                return old;
            case GWLP_USERDATA:
                old = window->user_data;
                window->user_data = value;
                return old;
            case GWLP_HINSTANCE:
                old = reinterpret_cast<LONG_PTR>(window->instance);
                window->instance = reinterpret_cast<HINSTANCE>(value);
                return old;
            case GWLP_HWNDPARENT:
                if (window->style & WS_CHILD) {
                    // A child's parent is changed with SetParent only.
                    SetLastError(ERROR_INVALID_PARAMETER);
                    return 0;
                }
                old = reinterpret_cast<LONG_PTR>(window->owner);
                window->owner = reinterpret_cast<HWND>(value);
                return old;
            default:
                SetLastError(ERROR_INVALID_INDEX);
                return 0;
        }
    }
    return SetStyle(full, index, static_cast<DWORD>(value), unicode);
}

}  // namespace
}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex) {
    return static_cast<LONG>(GetLong(hWnd, nIndex, sizeof(LONG), false));
}

LONG WINAPI GetWindowLongW(HWND hWnd, int nIndex) {
    return static_cast<LONG>(GetLong(hWnd, nIndex, sizeof(LONG), true));
}

LONG WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) {
    return static_cast<LONG>(SetLong(hWnd, nIndex, dwNewLong, sizeof(LONG), false));
}

LONG WINAPI SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong) {
    return static_cast<LONG>(SetLong(hWnd, nIndex, dwNewLong, sizeof(LONG), true));
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex) {
    return GetLong(hWnd, nIndex, sizeof(LONG_PTR), false);
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND hWnd, int nIndex) {
    return GetLong(hWnd, nIndex, sizeof(LONG_PTR), true);
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    return SetLong(hWnd, nIndex, dwNewLong, sizeof(LONG_PTR), false);
}

LONG_PTR WINAPI SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    return SetLong(hWnd, nIndex, dwNewLong, sizeof(LONG_PTR), true);
}

}  // extern "C"
