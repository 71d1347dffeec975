/* The base services. */
#ifndef KMXWIN_WINBASE_H
#define KMXWIN_WINBASE_H

#include <minwinbase.h>
#include <winerror.h>
#include <errhandlingapi.h>
#include <handleapi.h>
#include <synchapi.h>
#include <processthreadsapi.h>
#include <sysinfoapi.h>
#include <libloaderapi.h>
#include <fileapi.h>
#include <ioapiset.h>

/* Global memory flags; here only WOWGlobalAllocLock16 (wownt32.h) takes them. */
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GMEM_SHARE 0x2000
#define GMEM_DDESHARE GMEM_SHARE
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

#ifdef __cplusplus
extern "C" {
#endif

/* (nNumber * nNumerator) / nDenominator with a 64-bit product, rounded to
 * the nearest integer; -1 when nDenominator is 0 or the result overflows. */
WINBASEAPI int WINAPI MulDiv(int nNumber, int nNumerator, int nDenominator);

#ifdef __cplusplus
}
#endif

#endif
