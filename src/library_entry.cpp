// The library's entry point: the module start on process attach, the exit on
// process detach.
#include <kmxwin/dll_entry.h>

#include "capture/module_lifecycle.h"

namespace {

// A start that runs out of memory fails the load, as on Windows; nothing
// may leave an entry point by throwing.
BOOL WINAPI LibraryMain(HINSTANCE, DWORD reason, LPVOID) try {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            return kmx::DriverAppStart();
        case DLL_PROCESS_DETACH:
            return kmx::DriverAppExit();
        default:
            return TRUE;
    }
} catch (...) {
    return FALSE;
}

}  // namespace

KMXWIN_DLL_ENTRY_POINT(LibraryMain)
