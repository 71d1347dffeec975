#include "ui/application.h"

#include <commctrl.h>

#include "capture/library_module.h"

#include <mutex>
#include <string>
#include <vector>

namespace kmx::ui {
namespace {

// The classes the framework registered; a library that leaves a class behind
// leaves a window procedure pointing into unloaded code.
struct RegisteredClasses {
    std::mutex lock;
    std::vector<std::string> names;
};

RegisteredClasses& Classes() {
    static RegisteredClasses classes;
    return classes;
}

}  // namespace

HINSTANCE ModuleInstance() {
    HMODULE library = LibraryModule();
    return library ? library : GetModuleHandleA(nullptr);
}

bool RegisterWindowClass(const char* name, UINT style, WNDPROC procedure) {
    RegisteredClasses& classes = Classes();
    std::lock_guard guard(classes.lock);
    for (const std::string& known : classes.names)
        if (known == name) return true;
    WNDCLASSA window_class{};
    window_class.style = style;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = ModuleInstance();
    window_class.lpszClassName = name;
    if (!RegisterClassA(&window_class)) return false;
    classes.names.emplace_back(name);
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
    RegisteredClasses& classes = Classes();
    std::lock_guard guard(classes.lock);
    for (const std::string& name : classes.names) UnregisterClassA(name.c_str(), ModuleInstance());
    classes.names.clear();
    return result;
}

}  // namespace kmx::ui
