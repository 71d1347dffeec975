/* The common controls: the trackbar and the tab control, and (through
 * prsht.h) property sheets.
 *
 * As on Windows, InitCommonControlsEx registers the control classes (and
 * PropertySheetA registers what a sheet needs); a dialog template may name
 * them once they are registered. The controls draw the classic look with
 * the system colours and the dialog font.
 *
 * Where this differs from Windows: only the trackbar and the tab control
 * exist; the other ICC_ flags are accepted and register nothing. The
 * trackbar has no tooltips, selection range, buddy windows or custom tick
 * marks. The tab control shows one row of text tabs (no images, tooltips,
 * buttons or several rows); tabs that do not fit are cut off at the right
 * edge instead of scrolling. */
#ifndef KMXWIN_COMMCTRL_H
#define KMXWIN_COMMCTRL_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifndef WINCOMMCTRLAPI
#define WINCOMMCTRLAPI KMXWIN_API
#endif

/* ---- Initialisation ------------------------------------------------- */

typedef struct tagINITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004 /* the trackbar */
#define ICC_TAB_CLASSES 0x00000008 /* the tab control */
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_HOTKEY_CLASS 0x00000040
#define ICC_ANIMATE_CLASS 0x00000080
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_DATE_CLASSES 0x00000100
#define ICC_USEREX_CLASSES 0x00000200
#define ICC_COOL_CLASSES 0x00000400
#define ICC_INTERNET_CLASSES 0x00000800
#define ICC_PAGESCROLLER_CLASS 0x00001000
#define ICC_NATIVEFNTCTL_CLASS 0x00002000
#define ICC_STANDARD_CLASSES 0x00004000
#define ICC_LINK_CLASS 0x00008000

/* Registers the classes that dwICC names. FALSE (ERROR_INVALID_PARAMETER)
 * when the record is missing or its dwSize is not sizeof(INITCOMMONCONTROLSEX). */
WINCOMMCTRLAPI BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);
/* Registers every class, as InitCommonControlsEx with ICC_WIN95_CLASSES. */
WINCOMMCTRLAPI void WINAPI InitCommonControls(void);

/* ---- Notifications through WM_NOTIFY (NMHDR is winuser.h's) ------------ */

#define NM_FIRST (0U - 0U)
#define NM_CLICK (NM_FIRST - 2)

/* ---- Trackbar --------------------------------------------------------- */

#define TRACKBAR_CLASSA "msctls_trackbar32"

#define TBS_AUTOTICKS 0x0001
#define TBS_VERT 0x0002
#define TBS_HORZ 0x0000
#define TBS_TOP 0x0004
#define TBS_BOTTOM 0x0000
#define TBS_LEFT 0x0004
#define TBS_RIGHT 0x0000
#define TBS_BOTH 0x0008
#define TBS_NOTICKS 0x0010

/* The position, range, sizes and frequency are LONGs; TBM_SETRANGE carries
 * the range as two unsigned 16-bit words (0 to 65535), TBM_SETRANGEMIN and
 * TBM_SETRANGEMAX any LONG. Setting the position or the range
 * sends no notification; a position outside the range is clamped. */
#define TBM_GETPOS (WM_USER)
#define TBM_GETRANGEMIN (WM_USER + 1)
#define TBM_GETRANGEMAX (WM_USER + 2)
#define TBM_SETPOS (WM_USER + 5)
#define TBM_SETRANGE (WM_USER + 6)
#define TBM_SETRANGEMIN (WM_USER + 7)
#define TBM_SETRANGEMAX (WM_USER + 8)
#define TBM_GETNUMTICS (WM_USER + 16)
#define TBM_SETTICFREQ (WM_USER + 20)
#define TBM_SETPAGESIZE (WM_USER + 21)
#define TBM_GETPAGESIZE (WM_USER + 22)
#define TBM_SETLINESIZE (WM_USER + 23)
#define TBM_GETLINESIZE (WM_USER + 24)
#define TBM_GETTHUMBRECT (WM_USER + 25)
#define TBM_GETCHANNELRECT (WM_USER + 26)
#define TBM_GETTHUMBLENGTH (WM_USER + 28)

/* The low word of WM_HSCROLL's (TBS_HORZ) or WM_VSCROLL's (TBS_VERT)
 * wParam; the high word is the position with TB_THUMBTRACK and
 * TB_THUMBPOSITION. */
#define TB_LINEUP 0
#define TB_LINEDOWN 1
#define TB_PAGEUP 2
#define TB_PAGEDOWN 3
#define TB_THUMBPOSITION 4
#define TB_THUMBTRACK 5
#define TB_TOP 6
#define TB_BOTTOM 7
#define TB_ENDTRACK 8

/* ---- Tab control ------------------------------------------------------ */

#define WC_TABCONTROLA "SysTabControl32"

#define TCS_TABS 0x0000
#define TCS_SINGLELINE 0x0000
#define TCS_FOCUSONBUTTONDOWN 0x1000
#define TCS_FOCUSNEVER 0x8000

#define TCIF_TEXT 0x0001
#define TCIF_PARAM 0x0008

typedef struct tagTCITEMA {
    UINT mask;
    DWORD dwState;
    DWORD dwStateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
} TCITEMA, *LPTCITEMA;

typedef struct tagTCHITTESTINFO {
    POINT pt;
    UINT flags;
} TCHITTESTINFO, *LPTCHITTESTINFO;

#define TCHT_NOWHERE 0x0001
#define TCHT_ONITEMLABEL 0x0004
#define TCHT_ONITEM 0x0006

#define TCM_FIRST 0x1300
#define TCM_GETITEMCOUNT (TCM_FIRST + 4)
#define TCM_GETITEMA (TCM_FIRST + 5)
#define TCM_SETITEMA (TCM_FIRST + 6)
#define TCM_INSERTITEMA (TCM_FIRST + 7)
#define TCM_DELETEITEM (TCM_FIRST + 8)
#define TCM_DELETEALLITEMS (TCM_FIRST + 9)
#define TCM_GETITEMRECT (TCM_FIRST + 10)
#define TCM_GETCURSEL (TCM_FIRST + 11)
#define TCM_SETCURSEL (TCM_FIRST + 12)
#define TCM_HITTEST (TCM_FIRST + 13)
#define TCM_ADJUSTRECT (TCM_FIRST + 40)

#define TCN_FIRST (0U - 550U)
#define TCN_SELCHANGE (TCN_FIRST - 1)
#define TCN_SELCHANGING (TCN_FIRST - 2)

/* The macros of actions answer the message's result uncast, so that a
 * statement may drop it. */
#define TabCtrl_GetItemCount(hwnd) ((int)SendMessageA((hwnd), TCM_GETITEMCOUNT, 0, 0))
#define TabCtrl_InsertItem(hwnd, iItem, pitem) \
    (SendMessageA((hwnd), TCM_INSERTITEMA, (WPARAM)(int)(iItem), (LPARAM)(const TCITEMA*)(pitem)))
#define TabCtrl_DeleteItem(hwnd, i) (SendMessageA((hwnd), TCM_DELETEITEM, (WPARAM)(int)(i), 0))
#define TabCtrl_GetCurSel(hwnd) ((int)SendMessageA((hwnd), TCM_GETCURSEL, 0, 0))
#define TabCtrl_SetCurSel(hwnd, i) (SendMessageA((hwnd), TCM_SETCURSEL, (WPARAM)(i), 0))
#define TabCtrl_GetItemRect(hwnd, i, prc) \
    ((BOOL)SendMessageA((hwnd), TCM_GETITEMRECT, (WPARAM)(int)(i), (LPARAM)(RECT*)(prc)))
#define TabCtrl_AdjustRect(hwnd, bLarger, prc) \
    (SendMessageA((hwnd), TCM_ADJUSTRECT, (WPARAM)(BOOL)(bLarger), (LPARAM)(RECT*)(prc)))

#ifdef __cplusplus
}
#endif

#ifndef KMXWIN_NO_ANSI_ALIASES
#define TRACKBAR_CLASS TRACKBAR_CLASSA
#define WC_TABCONTROL WC_TABCONTROLA
#define TCITEM TCITEMA
#define LPTCITEM LPTCITEMA
#define TCM_GETITEM TCM_GETITEMA
#define TCM_SETITEM TCM_SETITEMA
#define TCM_INSERTITEM TCM_INSERTITEMA
#endif

#include <prsht.h>

#endif
