#include "ui/application.h"

#include <commctrl.h>

#include "capture/library_module.h"

#include <string.h>

#include <mutex>

namespace kmx::ui {
namespace {

// The classes the framework registered; a library that leaves a class behind
// leaves a window procedure pointing into unloaded code. Kept without a
// destructor or heap memory: the exit runs from the library's detach, after
// the library's static objects may be gone, and a library unloaded from a
// process must take nothing of its own with it.
constexpr size_t kMaxClasses = 8;
constexpr size_t kMaxClassName = 64;
struct RegisteredClasses {
    std::mutex lock;
    char names[kMaxClasses][kMaxClassName];
    size_t count;
};
constinit RegisteredClasses g_classes{};

}  // namespace

HINSTANCE ModuleInstance() {
    HMODULE library = LibraryModule();
    return library ? library : GetModuleHandleA(nullptr);
}

bool RegisterWindowClass(const char* name, UINT style, WNDPROC procedure) {
    std::lock_guard guard(g_classes.lock);
    for (size_t index = 0; index < g_classes.count; ++index)
        if (!strcmp(g_classes.names[index], name)) return true;
    if (g_classes.count == kMaxClasses || strlen(name) >= kMaxClassName) return false;
    WNDCLASSA window_class{};
    window_class.style = style;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = ModuleInstance();
    window_class.lpszClassName = name;
    if (!RegisterClassA(&window_class)) return false;
    strcpy(g_classes.names[g_classes.count++], name);
    return true;
}

BOOL StartApplication(Application& app) {
    // The pages' trackbars and the sheet's tabs.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    return app.Start();
}

BOOL ExitApplication(Application& app) {
    BOOL result = app.Exit();
    std::lock_guard guard(g_classes.lock);
    for (size_t index = 0; index < g_classes.count; ++index)
        UnregisterClassA(g_classes.names[index], ModuleInstance());
    g_classes.count = 0;
    return result;
}

}  // namespace kmx::ui
