// The module's application object and the window framework's own start and
// exit around it. A module that shows windows has one application object;
// its entry point starts the framework, which then starts the object, and
// at exit ends the object before the framework itself.
#pragma once

#include <windows.h>

namespace kmx::ui {

class Application {
  public:
    virtual ~Application() = default;

    // The object's own start and exit; the base ones only succeed. A start
    // answering FALSE makes the module's load fail.
    virtual BOOL Start() { return TRUE; }
    virtual BOOL Exit() { return TRUE; }
};

// The framework's start (the common control classes the windows use), then
// APP's start; its result.
BOOL StartApplication(Application& app);

// APP's exit, then the framework's (the window classes it registered are
// unregistered, as a library unloaded from a process must); APP's result.
BOOL ExitApplication(Application& app);

// The module whose resources (dialog templates) and window classes the
// framework uses: the library when it was loaded as one, else the program.
HINSTANCE ModuleInstance();

// Registers window class NAME of the module once, with STYLE and the
// framework's window procedure, and no cursor, background or icon; the
// framework unregisters it at exit. False when it cannot be registered.
bool RegisterWindowClass(const char* name, UINT style, WNDPROC procedure);

}  // namespace kmx::ui
