/* Basic window-system types; the window services add to this header. */
#ifndef KMXWIN_WINDEF_H
#define KMXWIN_WINDEF_H

#include <minwindef.h>

DECLARE_HANDLE(HWND);

#endif
