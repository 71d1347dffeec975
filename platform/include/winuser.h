/* Window services: windows and their messages, dialogs, input, and the
 * drawing helpers that user32 offers on top of the device contexts of
 * wingdi.h. */
#ifndef KMXWIN_WINUSER_H
#define KMXWIN_WINUSER_H

#include <windef.h>
#include <wingdi.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Windows, classes, messages, dialogs, input ---------------------- */

/* ---- Drawing helpers and system colours ------------------------------ */

#ifdef __cplusplus
}
#endif

#endif
