/* The 16-bit pointer translation and handle services of wow32.dll, with
 * which 32-bit code called through a thunk reaches the memory and handles of
 * 16-bit code.
 *
 * The 16-bit address space is simulated: a selector maps to a block of flat
 * memory, and a 16:16 address (selector in the high word, offset in the
 * low word) to a place in that block. Selectors are local descriptor table
 * selectors, as 16-bit protected-mode code sees them (index * 8 + 7); a
 * block of more than 64 KB takes consecutive selectors, one a 64 KB tile,
 * and its first selector reaches the whole block. A 16:16 address that no
 * block maps, or a range past the end of its block, translates to NULL.
 *
 * Where this differs from Windows:
 * - Only protected-mode addresses exist: fProtectedMode 0 (a real-mode
 *   segment) translates to NULL.
 * - Blocks never move, so a fix only counts: WOWGetVDMPointerUnfix undoes
 *   one WOWGetVDMPointerFix of the same block, as on Windows Me/98/95 where
 *   it calls GlobalUnfix; kmxwin/wow_address_space.h reports the counts. */
#ifndef KMXWIN_WOWNT32_H
#define KMXWIN_WOWNT32_H

#include <minwindef.h>
#include <windef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum _WOW_HANDLE_TYPE {
    WOW_TYPE_HWND,
    WOW_TYPE_HMENU,
    WOW_TYPE_HDWP,
    WOW_TYPE_HDROP,
    WOW_TYPE_HDC,
    WOW_TYPE_HFONT,
    WOW_TYPE_HMETAFILE,
    WOW_TYPE_HRGN,
    WOW_TYPE_HBITMAP,
    WOW_TYPE_HBRUSH,
    WOW_TYPE_HPALETTE,
    WOW_TYPE_HPEN,
    WOW_TYPE_HACCEL,
    WOW_TYPE_HTASK,
    WOW_TYPE_FULLHWND
} WOW_HANDLE_TYPE;

/* The flat address of the DWBYTES at 16:16 address VP, or NULL. */
KMXWIN_API LPVOID WINAPI WOWGetVDMPointer(DWORD vp, DWORD dwBytes, BOOL fProtectedMode);
/* The same, counting one fix of VP's block. */
KMXWIN_API LPVOID WINAPI WOWGetVDMPointerFix(DWORD vp, DWORD dwBytes, BOOL fProtectedMode);
/* Undoes one fix of VP's block; nothing for a block that has none. */
KMXWIN_API VOID WINAPI WOWGetVDMPointerUnfix(DWORD vp);
/* A new block of CB bytes (GMEM_ZEROINIT: zero-filled), locked: its 16:16
 * address, and its handle in *PHMEM; 0 when it cannot be had. */
KMXWIN_API DWORD WINAPI WOWGlobalAllocLock16(WORD wFlags, DWORD cb, LPWORD phMem);
/* Frees the block that WOWGlobalAllocLock16 gave VPMEM for: TRUE, or FALSE
 * when VPMEM is not the start of such a block. */
KMXWIN_API WORD WINAPI WOWGlobalUnlockFree16(DWORD vpMem);
/* The 32-bit handle of 16-bit handle H: for WOW_TYPE_HWND and
 * WOW_TYPE_FULLHWND the full handle of the window whose handle's low word
 * is H; otherwise, and for a window that does not exist, H widened. */
KMXWIN_API HANDLE WINAPI WOWHandle32(WORD h, WOW_HANDLE_TYPE type);

#ifdef __cplusplus
}
#endif

#endif
