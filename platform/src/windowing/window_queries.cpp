// The everyday questions about windows: the tree, the thread, the text, the
// state.
#include "text/ansi_code_page.h"
#include "windowing/focus.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_procedure.h"

#include <vector>

using namespace kmxwin::win;

namespace {

// Whether this thread's focus is HWND or inside it.
bool FocusWithin(HWND hwnd) {
    HWND focus = GetFocus();
    std::lock_guard lock(UserLock());
    Window* window = FindWindowLocked(hwnd);
    Window* focused = focus ? FindWindowLocked(focus) : nullptr;
    return window && focused && (focused == window || IsDescendant(*window, *focused));
}

}  // namespace

extern "C" {

BOOL WINAPI IsWindow(HWND hWnd) {
    std::lock_guard lock(UserLock());
    return FindWindowLocked(hWnd) != nullptr;
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
    std::lock_guard lock(UserLock());
    Window* window = FindWindowLocked(hWnd);
    return window && IsVisibleLocked(*window);
}

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
    std::lock_guard lock(UserLock());
    Window* window = LookupWindowLocked(hWnd);
    return window && IsEnabledLocked(*window);
}

BOOL WINAPI IsChild(HWND hWndParent, HWND hWnd) {
    std::lock_guard lock(UserLock());
    Window* parent = FindWindowLocked(hWndParent);
    Window* window = FindWindowLocked(hWnd);
    if (!parent || !window) return FALSE;
    // Only the chain of child windows counts, not ownership.
    for (Window* current = window; current->style & WS_CHILD; current = current->parent)
        if (current->parent == parent) return TRUE;
    return FALSE;
}

HWND WINAPI GetParent(HWND hWnd) {
    std::lock_guard lock(UserLock());
    Window* window = LookupWindowLocked(hWnd);
    if (!window) return nullptr;
    if (window->style & WS_CHILD) return window->parent ? window->parent->handle : nullptr;
    if (window->style & WS_POPUP) return window->owner;
    return nullptr;
}

HWND WINAPI GetAncestor(HWND hwnd, UINT gaFlags) {
    std::lock_guard lock(UserLock());
    Window* window = LookupWindowLocked(hwnd);
    if (!window) return nullptr;
    if (window == &Desktop()) return nullptr;
    switch (gaFlags) {
        case GA_PARENT:
            return window->parent->handle;
        case GA_ROOT:
            return TopLevelOf(*window).handle;
        case GA_ROOTOWNER: {
            Window* root = &TopLevelOf(*window);
            while (root->owner) {
                Window* owner = FindWindowLocked(root->owner);
                if (!owner) break;
                root = owner;
            }
            return root->handle;
        }
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
    }
}

HWND WINAPI GetWindow(HWND hWnd, UINT uCmd) {
    std::lock_guard lock(UserLock());
    Window* window = LookupWindowLocked(hWnd);
    if (!window) return nullptr;
    auto* siblings = window->parent ? &window->parent->children : nullptr;
    switch (uCmd) {
        case GW_HWNDFIRST:
            return siblings && !siblings->empty() ? siblings->front()->handle : window->handle;
        case GW_HWNDLAST:
            return siblings && !siblings->empty() ? siblings->back()->handle : window->handle;
        case GW_HWNDNEXT:
        case GW_HWNDPREV: {
            if (!siblings) return nullptr;
            auto it = std::find(siblings->begin(), siblings->end(), window);
            if (uCmd == GW_HWNDNEXT) return ++it == siblings->end() ? nullptr : (*it)->handle;
            return it == siblings->begin() ? nullptr : (*--it)->handle;
        }
        case GW_OWNER:
            return window->owner;
        case GW_CHILD:
            return window->children.empty() ? nullptr : window->children.front()->handle;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
    }
}

HWND WINAPI GetDesktopWindow(void) {
    return Desktop().handle;
}

BOOL WINAPI EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    if (!lpEnumFunc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Every descendant, listed before the first call, depth first.
    std::vector<HWND> descendants;
    {
        std::lock_guard lock(UserLock());
        Window* parent = hWndParent ? LookupWindowLocked(hWndParent) : &Desktop();
        if (!parent) return FALSE;
        std::vector<Window*> stack(parent->children.rbegin(), parent->children.rend());
        while (!stack.empty()) {
            Window* window = stack.back();
            stack.pop_back();
            descendants.push_back(window->handle);
            stack.insert(stack.end(), window->children.rbegin(), window->children.rend());
        }
    }
    for (HWND hwnd : descendants)
        if (IsWindow(hwnd) && !lpEnumFunc(hwnd, lParam)) break;
    return TRUE;
}

DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
    std::lock_guard lock(UserLock());
    Window* window = LookupWindowLocked(hWnd);
    if (!window) return 0;
    if (lpdwProcessId) *lpdwProcessId = GetCurrentProcessId();
    return window->thread_id;
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
    std::lock_guard lock(UserLock());
    Window* window = LookupWindowLocked(hWnd);
    if (!window || !(window->style & WS_CHILD)) return 0;
    return static_cast<int>(window->id);
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
    if (!lpString || nMaxCount <= 0) return 0;
    lpString[0] = '\0';
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(
        SendMessageA(hWnd, WM_GETTEXT, nMaxCount, reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
    if (!lpString || nMaxCount <= 0) return 0;
    lpString[0] = 0;
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(
        SendMessageW(hWnd, WM_GETTEXT, nMaxCount, reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetWindowTextLengthA(HWND hWnd) {
    return static_cast<int>(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

int WINAPI GetWindowTextLengthW(HWND hWnd) {
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return static_cast<BOOL>(SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)));
}

BOOL WINAPI SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return static_cast<BOOL>(SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)));
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
    bool was_disabled;
    {
        std::lock_guard lock(UserLock());
        Window* window = LookupWindowLocked(hWnd);
        if (!window) return FALSE;
        hWnd = window->handle;
        was_disabled = window->style & WS_DISABLED;
        if (was_disabled == !bEnable) return was_disabled;
        if (bEnable) window->style &= ~WS_DISABLED;
    }
    if (!bEnable) {
        SendMessageA(hWnd, WM_CANCELMODE, 0, 0);
        {
            std::lock_guard lock(UserLock());
            Window* window = FindWindowLocked(hWnd);
            if (!window) return was_disabled;
            window->style |= WS_DISABLED;
        }
        if (FocusWithin(hWnd)) SetFocus(nullptr);
    }
    SendMessageA(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    return was_disabled;
}

}  // extern "C"
