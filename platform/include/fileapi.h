/* Files. On this platform CreateFileA opens device interfaces only (see
 * ioapiset.h): a path that names no registered device interface fails with
 * ERROR_FILE_NOT_FOUND. */
#ifndef KMXWIN_FILEAPI_H
#define KMXWIN_FILEAPI_H

#include <minwinbase.h>

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_FLAG_OVERLAPPED 0x40000000

#ifdef __cplusplus
extern "C" {
#endif

WINBASEAPI HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                     LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                                     DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                                     HANDLE hTemplateFile);

#ifdef __cplusplus
}
#endif

#ifndef KMXWIN_NO_ANSI_ALIASES
#define CreateFile CreateFileA
#endif

#endif
