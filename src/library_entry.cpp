// The library's entry point: the module start on process attach, the exit on
// process detach.
#include <kmxwin/dll_entry.h>

#include "capture/library_module.h"
#include "capture/module_lifecycle.h"

namespace {

BOOL WINAPI LibraryMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            kmx::SetLibraryModule(instance);
            return kmx::DriverAppStart();
        case DLL_PROCESS_DETACH:
            return kmx::DriverAppExit();
        default:
            return TRUE;
    }
}

}  // namespace

KMXWIN_DLL_ENTRY_POINT(LibraryMain)
