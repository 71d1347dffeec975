/* Conversions between narrow texts and UTF-16.
 *
 * Code pages: CP_ACP and 1252 (this platform's ANSI code page) and CP_UTF8;
 * any other fails with ERROR_INVALID_PARAMETER. The results, the counting
 * (a length of -1 means "up to and with the terminating null"; a
 * destination size of 0 asks for the size needed) and the errors
 * (ERROR_INVALID_PARAMETER, ERROR_INVALID_FLAGS, ERROR_INSUFFICIENT_BUFFER,
 * ERROR_NO_UNICODE_TRANSLATION) are Windows'.
 *
 * Where this differs from Windows:
 * - Code page 1252 takes the flags MB_PRECOMPOSED and MB_ERR_INVALID_CHARS
 *   (every byte has a character, so the latter never fails), and
 *   WC_NO_BEST_FIT_CHARS; MB_COMPOSITE, MB_USEGLYPHCHARS and the WC_
 *   composition flags fail with ERROR_INVALID_FLAGS.
 * - WideCharToMultiByte to 1252 never maps a character to a look-alike
 *   (best fit): every character outside the code page becomes the default
 *   character, as if WC_NO_BEST_FIT_CHARS were always given; so does each
 *   half of a surrogate pair. */
#ifndef KMXWIN_STRINGAPISET_H
#define KMXWIN_STRINGAPISET_H

#include <minwinbase.h>

#ifdef __cplusplus
extern "C" {
#endif

WINBASEAPI int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr,
                                          int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar);
WINBASEAPI int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr,
                                          int cchWideChar, LPSTR lpMultiByteStr, int cbMultiByte,
                                          LPCCH lpDefaultChar, LPBOOL lpUsedDefaultChar);

#ifdef __cplusplus
}
#endif

#endif
