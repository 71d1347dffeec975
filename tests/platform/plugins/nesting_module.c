/* A module whose entry point loads modules itself: a refusing one, whose
 * failure must stay its own, and a probe that it holds until its detach. */
#include <kmxwin/dll_entry.h>

#include "module_events.h"

static HMODULE g_probe;

static BOOL WINAPI NestingModuleMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    ReportModuleEvent(KMXTEST_MODULE, instance, reason, reserved);
    if (reason == DLL_PROCESS_ATTACH) {
        if (LoadLibraryA("kmxtest_refusing") || GetLastError() != ERROR_DLL_INIT_FAILED)
            return FALSE;
        g_probe = LoadLibraryA("kmxtest_probe");
        return g_probe != NULL;
    }
    if (reason == DLL_PROCESS_DETACH && g_probe) FreeLibrary(g_probe);
    return TRUE;
}

KMXWIN_DLL_ENTRY_POINT(NestingModuleMain)
