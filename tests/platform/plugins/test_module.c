/* A module for the loader's tests: it reports each call of its entry point
 * and tells which copy of it was loaded. KMXTEST_MODULE is its name,
 * KMXTEST_LOCATION says where this copy lies, and KMXTEST_REFUSE_ATTACH makes
 * its entry point answer FALSE to the attach. */
#include <kmxwin/dll_entry.h>

#include "module_events.h"

static BOOL WINAPI TestModuleMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    ReportModuleEvent(KMXTEST_MODULE, instance, reason, reserved);
#ifdef KMXTEST_REFUSE_ATTACH
    return reason != DLL_PROCESS_ATTACH;
#else
    return TRUE;
#endif
}

KMXWIN_DLL_ENTRY_POINT(TestModuleMain)

KMXTEST_EXPORT const char* TestModuleLocation(void) {
    return KMXTEST_LOCATION;
}
