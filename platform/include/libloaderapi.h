/* Dynamic loading of modules.
 *
 * LoadLibraryA("X.dll") loads the shared object "X.so" (a name without an
 * extension gets ".so" as Windows would append ".dll"). A name that contains
 * a path separator ('/' or '\') is loaded from that path. Otherwise the
 * search order is: each directory of KMX512_PLUGIN_PATH (':'-separated), the
 * directory of libkmxwin.so, its sibling plug-in directory "kmx512/", then
 * the system loader's own search.
 *
 * As on Windows, a name without a path first names a module already loaded
 * under that file name, wherever it was loaded from, and names are compared
 * with loaded modules without regard to case; a module not yet loaded is found
 * only by its file's exact name, POSIX file names being case-sensitive.
 *
 * An HMODULE is the system loader's handle of the shared object, not the
 * address of its image. Where Windows leaves it open: a handle that names no
 * loaded module makes FreeLibrary and GetProcAddress fail with
 * ERROR_INVALID_HANDLE and GetModuleFileNameA with ERROR_MOD_NOT_FOUND;
 * GetProcAddress with a NULL module searches the program's module. The
 * program's module is found by GetModuleHandleA(NULL) only, not by its name.
 * Shared objects have no ordinals: GetProcAddress of an ordinal fails with
 * ERROR_PROC_NOT_FOUND. FreeLibrary of a module that the system loader mapped
 * at program start, or only as another module's dependency, succeeds and
 * leaves it loaded. A NULL buffer with a non-zero size makes
 * GetModuleFileNameA fail with ERROR_INVALID_PARAMETER.
 *
 * A module's entry point (see <kmxwin/dll_entry.h>) is called with
 * DLL_PROCESS_ATTACH when the module is loaded and DLL_PROCESS_DETACH when it
 * is unloaded. An entry point that answers FALSE to the attach makes
 * LoadLibraryA fail with ERROR_DLL_INIT_FAILED.
 *
 * Resources: a module built with kmx_add_resources carries the .res data its
 * resource script compiles to; FindResource finds an entry by type and name
 * (a number, "#number" or a string without regard to case; the first
 * language), LoadResource answers its data's address, which LockResource
 * hands back, for as long as the module stays loaded. A module without
 * resources fails FindResource with ERROR_RESOURCE_DATA_NOT_FOUND. */
#ifndef KMXWIN_LIBLOADERAPI_H
#define KMXWIN_LIBLOADERAPI_H

#include <minwinbase.h>

#ifdef __cplusplus
extern "C" {
#endif

WINBASEAPI HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName);
WINBASEAPI BOOL WINAPI FreeLibrary(HMODULE hLibModule);
WINBASEAPI FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
WINBASEAPI HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName);
WINBASEAPI DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
WINBASEAPI HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType);
WINBASEAPI HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType);
WINBASEAPI HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo);
WINBASEAPI LPVOID WINAPI LockResource(HGLOBAL hResData);
WINBASEAPI DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo);
WINBASEAPI BOOL WINAPI FreeResource(HGLOBAL hResData);

#ifdef __cplusplus
}
#endif

#ifndef KMXWIN_NO_ANSI_ALIASES
#define LoadLibrary LoadLibraryA
#define GetModuleHandle GetModuleHandleA
#define GetModuleFileName GetModuleFileNameA
#define FindResource FindResourceA
#endif

#endif
