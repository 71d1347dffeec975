/* Data shared by every process, the POSIX stand-in for a module's
 * read-write-shared data section.
 *
 * A section is named; every process that uses the same KMX512_RUNTIME_DIR and
 * maps the same name sees the same bytes. The section is all zero whenever no
 * live process has it mapped: the first process to map it after every other
 * user has gone (having unmapped it, exited or been killed) finds it cleared.
 * This is not a Windows function; on Windows the same data is a
 * "#pragma data_seg" section marked shared for the linker. */
#ifndef KMXWIN_SHARED_SECTION_H
#define KMXWIN_SHARED_SECTION_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Maps the section NAME of SIZE bytes into the process. Returns its address,
 * or NULL with the last error set: ERROR_INVALID_PARAMETER for an empty name
 * or a zero size, or a size other than the one the section's live users
 * mapped; ERROR_ACCESS_DENIED or another code when the runtime directory
 * cannot be used. Mapping a name twice in one process gives the same address
 * and counts twice. */
KMXWIN_API LPVOID WINAPI KmxWinMapSharedSection(LPCSTR name, SIZE_T size);

/* Undoes one KmxWinMapSharedSection. FALSE with ERROR_INVALID_PARAMETER for an
 * address that is not a mapped section. */
KMXWIN_API BOOL WINAPI KmxWinUnmapSharedSection(LPVOID address);

#ifdef __cplusplus
}
#endif
#endif
