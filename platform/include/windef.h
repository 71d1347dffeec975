/* Basic window-system types shared by the window services (winuser.h) and
 * the drawing services (wingdi.h). */
#ifndef KMXWIN_WINDEF_H
#define KMXWIN_WINDEF_H

#include <minwindef.h>

DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HDC);
DECLARE_HANDLE(HBITMAP);
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HPEN);
DECLARE_HANDLE(HFONT);
DECLARE_HANDLE(HRGN);
DECLARE_HANDLE(HMENU);
DECLARE_HANDLE(HICON);
typedef HICON HCURSOR;
/* As with STRICT on Windows: any GDI object handle converts to HGDIOBJ
 * without a cast (SelectObject(dc, pen)). */
typedef void* HGDIOBJ;

typedef DWORD COLORREF;
typedef DWORD* LPCOLORREF;

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *PPOINT, *LPPOINT;

typedef struct tagSIZE {
    LONG cx;
    LONG cy;
} SIZE, *PSIZE, *LPSIZE;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *PRECT, *LPRECT;
typedef const RECT* LPCRECT;

#endif
