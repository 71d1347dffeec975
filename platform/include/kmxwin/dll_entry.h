/* A module's entry point, the POSIX stand-in for DllMain.
 *
 * A shared object names its entry point once, at file scope:
 *
 *     static BOOL WINAPI ModuleMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
 *     KMXWIN_DLL_ENTRY_POINT(ModuleMain)
 *
 * The entry point is then called with DLL_PROCESS_ATTACH when the object is
 * loaded (by LoadLibraryA or by the system loader at program start) and with
 * DLL_PROCESS_DETACH when it is unloaded, with the module's own handle. As
 * on Windows, the reserved argument is NULL when LoadLibraryA or FreeLibrary
 * loads or unloads the module, and non-NULL when the module is loaded at
 * program start or the process is exiting (also when code outside the
 * platform unloads it with dlclose). When the attach answers FALSE the entry
 * point is called again at once with DLL_PROCESS_DETACH, and LoadLibraryA
 * fails with ERROR_DLL_INIT_FAILED; a module loaded at program start that
 * refuses stays loaded without its attach (Windows would not start the
 * process), and LoadLibraryA of it fails the same way. Thread attach and
 * detach are not delivered. This is not a Windows header. */
#ifndef KMXWIN_DLL_ENTRY_H
#define KMXWIN_DLL_ENTRY_H

#include <windows.h>

typedef BOOL(WINAPI* KMXWIN_DLL_ENTRY)(HINSTANCE instance, DWORD reason, LPVOID reserved);

#ifdef __cplusplus
extern "C" {
#endif

/* Called by the code that KMXWIN_DLL_ENTRY_POINT expands to; ANCHOR is any
 * address inside the module. */
KMXWIN_API void WINAPI KmxWinModuleAttach(const void* anchor, KMXWIN_DLL_ENTRY entry);
KMXWIN_API void WINAPI KmxWinModuleDetach(const void* anchor);

#ifdef __cplusplus
}
#endif

#define KMXWIN_DLL_ENTRY_POINT(entry)                                      \
    __attribute__((constructor)) static void kmxwin_module_attach_(void) { \
        KmxWinModuleAttach((const void*)&kmxwin_module_attach_, (entry));  \
    }                                                                      \
    __attribute__((destructor)) static void kmxwin_module_detach_(void) {  \
        KmxWinModuleDetach((const void*)&kmxwin_module_attach_);           \
    }

#endif
