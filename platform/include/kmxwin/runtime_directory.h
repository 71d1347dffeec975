/* The runtime directory: where named objects, shared sections, the device
 * interfaces of running camera services and their sockets live. Every
 * process of a user that uses the same directory sees the same objects.
 *
 * It is KMX512_RUNTIME_DIR, else $XDG_RUNTIME_DIR/kmx512, else
 * /tmp/kmx512-<uid>, made with mode 0700 when missing. As XDG_RUNTIME_DIR
 * itself, it must be a directory (not a symbolic link) owned by this user
 * with mode 0700: any other is refused, since whoever can write it could
 * serve cameras and named objects to this user's programs. The first refusal
 * in a process is reported on the standard error with its reason.
 * This is not a Windows function. */
#ifndef KMXWIN_RUNTIME_DIRECTORY_H
#define KMXWIN_RUNTIME_DIRECTORY_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Stores the directory's path in BUFFER (SIZE bytes) and returns its length
 * without the terminator; when it does not fit, returns the size BUFFER
 * needs, terminator included, and stores nothing (as GetTempPathA). 0 with
 * the last error set when the directory cannot be used: ERROR_ACCESS_DENIED
 * for a refused one, ERROR_PATH_NOT_FOUND for a relative path, or why it
 * could not be made. */
KMXWIN_API DWORD WINAPI KmxWinGetRuntimeDirectory(LPSTR buffer, DWORD size);

#ifdef __cplusplus
}
#endif
#endif
