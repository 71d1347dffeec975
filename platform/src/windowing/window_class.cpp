// RegisterClass and its companions, and the lookup of a class by name.
#include "windowing/window_class.h"

#include "text/ansi_code_page.h"
#include "windowing/system_classes.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_procedure.h"

#include <string.h>
#include <strings.h>

#include <vector>

namespace kmxwin::win {
namespace {

constexpr ATOM kFirstClassAtom = 0xC000;

struct ClassList {
    std::vector<std::shared_ptr<WindowClass>> classes;
    ATOM next_atom = kFirstClassAtom;
};

ClassList& Classes() {
    static ClassList* list = [] {
        auto* made = new ClassList;
        for (WindowClass& system : SystemClasses()) {
            system.system = true;
            made->classes.push_back(std::make_shared<WindowClass>(std::move(system)));
        }
        return made;
    }();
    return *list;
}

HINSTANCE ModuleOrProgram(HINSTANCE instance) {
    return instance ? instance : GetModuleHandleA(nullptr);
}

bool Names(const WindowClass& window_class, LPCSTR name) {
    if (IS_INTRESOURCE(name))
        return window_class.atom == static_cast<ATOM>(reinterpret_cast<uintptr_t>(name));
    return strcasecmp(window_class.name.c_str(), name) == 0;
}

// Lock held. Classes of the module first, then global ones, then the
// system's, as Windows looks them up.
std::shared_ptr<WindowClass> Find(LPCSTR name, HINSTANCE instance) {
    instance = ModuleOrProgram(instance);
    auto& classes = Classes().classes;
    for (auto& candidate : classes)
        if (!candidate->system && candidate->instance == instance && Names(*candidate, name))
            return candidate;
    for (auto& candidate : classes)
        if (!candidate->system && (candidate->style & CS_GLOBALCLASS) && Names(*candidate, name))
            return candidate;
    for (auto& candidate : classes)
        if (candidate->system && Names(*candidate, name)) return candidate;
    return nullptr;
}

// Lock held: the class NAME names exactly for INSTANCE (not a global or
// system class).
std::vector<std::shared_ptr<WindowClass>>::iterator FindOwn(LPCSTR name, HINSTANCE instance) {
    instance = ModuleOrProgram(instance);
    auto& classes = Classes().classes;
    return std::find_if(classes.begin(), classes.end(), [&](const auto& candidate) {
        return !candidate->system && candidate->instance == instance && Names(*candidate, name);
    });
}

template <class WndClassEx>
WindowClass FromRecord(const WndClassEx& record, bool unicode, std::string name) {
    WindowClass made;
    made.name = std::move(name);
    made.style = record.style;
    made.proc = record.lpfnWndProc;
    made.unicode = unicode;
    made.class_extra = record.cbClsExtra;
    made.window_extra = record.cbWndExtra;
    made.instance = record.hInstance;
    made.icon = record.hIcon;
    made.cursor = record.hCursor;
    made.background = record.hbrBackground;
    return made;
}

template <class WndClass>
void ToRecord(const WindowClass& window_class, WndClass* record) {
    memset(record, 0, sizeof *record);
    record->style = window_class.style;
    record->lpfnWndProc = window_class.proc;
    record->cbClsExtra = window_class.class_extra;
    record->cbWndExtra = window_class.window_extra;
    record->hInstance = window_class.instance;
    record->hIcon = window_class.icon;
    record->hCursor = window_class.cursor;
    record->hbrBackground = window_class.background;
}

std::string NameOf(LPCWSTR name) {
    if (IS_INTRESOURCE(name)) return {};
    return kmxwin::text::Utf16ToAnsi(name);
}

LPCSTR AnsiName(LPCWSTR name, std::string& storage) {
    if (IS_INTRESOURCE(name)) return reinterpret_cast<LPCSTR>(name);
    storage = kmxwin::text::Utf16ToAnsi(name);
    return storage.c_str();
}

template <class Record>
ATOM Register(const Record& record, bool unicode, std::string name) {
    if (name.empty() || name.size() > 255 || !record.lpfnWndProc || record.cbClsExtra < 0 ||
        record.cbWndExtra < 0 || record.cbWndExtra > 40000) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WindowClass made = FromRecord(record, unicode, std::move(name));
    made.instance = ModuleOrProgram(made.instance);
    return RegisterWindowClass(std::move(made));
}

}  // namespace

std::shared_ptr<WindowClass> FindWindowClass(LPCSTR name, HINSTANCE instance) {
    std::shared_ptr<WindowClass> found = Find(name, instance);
    if (!found) SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return found;
}

ATOM RegisterWindowClass(WindowClass window_class) {
    std::lock_guard lock(UserLock());
    ClassList& list = Classes();
    if (FindOwn(window_class.name.c_str(), window_class.instance) != list.classes.end()) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    if (list.next_atom == 0xFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    window_class.atom = list.next_atom++;
    ATOM atom = window_class.atom;
    list.classes.push_back(std::make_shared<WindowClass>(std::move(window_class)));
    return atom;
}

}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
    if (!lpWndClass || !lpWndClass->lpszClassName || IS_INTRESOURCE(lpWndClass->lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Register(*lpWndClass, false, lpWndClass->lpszClassName);
}

ATOM WINAPI RegisterClassW(const WNDCLASSW* lpWndClass) {
    if (!lpWndClass || !lpWndClass->lpszClassName || IS_INTRESOURCE(lpWndClass->lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Register(*lpWndClass, true, NameOf(lpWndClass->lpszClassName));
}

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* lpWndClass) {
    if (!lpWndClass || lpWndClass->cbSize != sizeof(WNDCLASSEXA) || !lpWndClass->lpszClassName ||
        IS_INTRESOURCE(lpWndClass->lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Register(*lpWndClass, false, lpWndClass->lpszClassName);
}

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* lpWndClass) {
    if (!lpWndClass || lpWndClass->cbSize != sizeof(WNDCLASSEXW) || !lpWndClass->lpszClassName ||
        IS_INTRESOURCE(lpWndClass->lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Register(*lpWndClass, true, NameOf(lpWndClass->lpszClassName));
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE hInstance) {
    if (!lpClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(UserLock());
    auto& classes = Classes().classes;
    auto found = FindOwn(lpClassName, hInstance);
    if (found == classes.end()) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    // The windows of the class hold it too.
    if (found->use_count() > 1) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    classes.erase(found);
    return TRUE;
}

BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance) {
    std::string storage;
    return UnregisterClassA(lpClassName ? AnsiName(lpClassName, storage) : nullptr, hInstance);
}

BOOL WINAPI GetClassInfoA(HINSTANCE hInstance, LPCSTR lpClassName, LPWNDCLASSA lpWndClass) {
    if (!lpClassName || !lpWndClass) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::shared_ptr<WindowClass> found;
    {
        std::lock_guard lock(UserLock());
        found = Find(lpClassName, hInstance);
    }
    if (!found) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    ToRecord(*found, lpWndClass);
    lpWndClass->lpfnWndProc = ProcedureForCaller(found->proc, found->unicode, false);
    lpWndClass->lpszClassName = lpClassName;
    return TRUE;
}

BOOL WINAPI GetClassInfoW(HINSTANCE hInstance, LPCWSTR lpClassName, LPWNDCLASSW lpWndClass) {
    if (!lpClassName || !lpWndClass) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string storage;
    std::shared_ptr<WindowClass> found;
    {
        std::lock_guard lock(UserLock());
        found = Find(AnsiName(lpClassName, storage), hInstance);
    }
    if (!found) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    ToRecord(*found, lpWndClass);
    lpWndClass->lpfnWndProc = ProcedureForCaller(found->proc, found->unicode, true);
    lpWndClass->lpszClassName = lpClassName;
    return TRUE;
}

int WINAPI GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount) {
    WindowPtr window = LookupWindow(hWnd);
    if (!window) return 0;
    if (!lpClassName || nMaxCount <= 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::string& name = window->window_class->name;
    int count = std::min<int>(static_cast<int>(name.size()), nMaxCount - 1);
    memcpy(lpClassName, name.data(), count);
    lpClassName[count] = '\0';
    return count;
}

int WINAPI GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) {
    WindowPtr window = LookupWindow(hWnd);
    if (!window) return 0;
    if (!lpClassName || nMaxCount <= 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::u16string name = kmxwin::text::AnsiToUtf16(window->window_class->name);
    int count = std::min<int>(static_cast<int>(name.size()), nMaxCount - 1);
    std::copy(name.begin(), name.begin() + count, lpClassName);
    lpClassName[count] = 0;
    return count;
}

}  // extern "C"
