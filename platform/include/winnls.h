/* National language support: the code pages and the conversion flags of
 * MultiByteToWideChar and WideCharToMultiByte (stringapiset.h).
 *
 * The ANSI code page of this platform is 1252 (Western European), whatever
 * the process's locale: narrow texts of the library and its files are in
 * it, as on a Western Windows installation. */
#ifndef KMXWIN_WINNLS_H
#define KMXWIN_WINNLS_H

#include <minwinbase.h>

#define CP_ACP 0
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008

#define WC_COMPOSITECHECK 0x00000200
#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

#ifdef __cplusplus
extern "C" {
#endif

/* 1252. */
WINBASEAPI UINT WINAPI GetACP(void);

#ifdef __cplusplus
}
#endif

#include <stringapiset.h>

#endif
