/* What the simulated 16-bit address space of wownt32.h offers beyond
 * Windows' functions: a program that stands in for 16-bit code maps flat
 * memory it owns into the space (so that 32-bit code reaches it through a
 * 16:16 address, as it would reach a 16-bit program's memory), and tests
 * see what is mapped and fixed. This is not a Windows header. */
#ifndef KMXWIN_WOW_ADDRESS_SPACE_H
#define KMXWIN_WOW_ADDRESS_SPACE_H

#include <minwindef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A 16:16 address: selector in the high word, offset in the low word. */
typedef DWORD VPVOID;

/* Maps the SIZE bytes at FLAT, which the caller owns and keeps, to new
 * selectors: the 16:16 address of FLAT, or 0 when FLAT is null or no
 * selectors are free. With SIZE 0 only a range of 0 bytes at that address
 * translates. */
KMXWIN_API VPVOID KmxWinWowMapFlat(void* flat, DWORD size);
/* Ends the mapping KmxWinWowMapFlat gave VP for: TRUE, or FALSE when VP is
 * not the start of such a mapping. */
KMXWIN_API BOOL KmxWinWowUnmapFlat(VPVOID vp);

typedef struct KMXWIN_WOW_USAGE {
    DWORD blocks;    /* allocated and mapped blocks */
    DWORD selectors; /* selectors in use */
    DWORD fixes;     /* fixes not yet undone, over all blocks */
} KMXWIN_WOW_USAGE;

/* What the process's 16-bit address space holds now. */
KMXWIN_API void KmxWinWowUsage(KMXWIN_WOW_USAGE* usage);

#ifdef __cplusplus
}
#endif

#endif
