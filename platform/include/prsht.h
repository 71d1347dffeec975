/* Property sheets: a frame with a tab for each page, the pages made from
 * dialog templates, and OK, Cancel and Apply buttons.
 *
 * PropertySheetA shows a modal sheet. A page's window is made from its
 * template (a resource of hInstance, or the template itself with
 * PSP_DLGINDIRECT) when its tab is first selected, or with the sheet for
 * PSP_PREMATURE. Its dialog procedure gets WM_INITDIALOG with a copy of its
 * PROPSHEETPAGEA (dwSize bytes, so a program's data appended to the record
 * comes along), WM_SHOWWINDOW as the sheet shows and hides it, and the
 * PSN_ notifications through WM_NOTIFY with a PSHNOTIFY whose hwndFrom is
 * the sheet; a page answers them with SetWindowLongPtr(DWLP_MSGRESULT).
 *
 * Where this differs from Windows: only modal, non-wizard sheets exist (no
 * PSH_MODELESS, PSH_WIZARD, Help buttons, icons or watermarks); the tab row
 * is a single line. */
#ifndef KMXWIN_PRSHT_H
#define KMXWIN_PRSHT_H

#include <windows.h>

#ifndef WINCOMMCTRLAPI
#define WINCOMMCTRLAPI KMXWIN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define MAXPROPPAGES 100

struct _PSP;
typedef struct _PSP* HPROPSHEETPAGE;
struct _PROPSHEETPAGEA;

typedef UINT(CALLBACK* LPFNPSPCALLBACKA)(HWND hwnd, UINT uMsg, struct _PROPSHEETPAGEA* ppsp);
typedef int(CALLBACK* PFNPROPSHEETCALLBACK)(HWND hwndDlg, UINT uMsg, LPARAM lParam);

#define PSP_DEFAULT 0x00000000
#define PSP_DLGINDIRECT 0x00000001
#define PSP_USETITLE 0x00000008
#define PSP_USEREFPARENT 0x00000040
#define PSP_USECALLBACK 0x00000080
#define PSP_PREMATURE 0x00000400

/* The page callback's messages (PSP_USECALLBACK). */
#define PSPCB_ADDREF 0
#define PSPCB_RELEASE 1
#define PSPCB_CREATE 2

typedef struct _PROPSHEETPAGEA {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    union {
        LPCSTR pszTemplate;
        LPCDLGTEMPLATEA pResource;
    };
    union {
        HICON hIcon;
        LPCSTR pszIcon;
    };
    LPCSTR pszTitle;
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACKA pfnCallback;
    UINT* pcRefParent;
} PROPSHEETPAGEA, *LPPROPSHEETPAGEA;
typedef const PROPSHEETPAGEA* LPCPROPSHEETPAGEA;

/* The smallest dwSize a page record may give. */
#define PROPSHEETPAGEA_V1_SIZE sizeof(PROPSHEETPAGEA)

#define PSH_DEFAULT 0x00000000
#define PSH_PROPTITLE 0x00000001
#define PSH_PROPSHEETPAGE 0x00000008
#define PSH_USEPSTARTPAGE 0x00000040
#define PSH_NOAPPLYNOW 0x00000080
#define PSH_USECALLBACK 0x00000100

/* The sheet callback's messages (PSH_USECALLBACK). */
#define PSCB_INITIALIZED 1
#define PSCB_PRECREATE 2

typedef struct _PROPSHEETHEADERA {
    DWORD dwSize;
    DWORD dwFlags;
    HWND hwndParent;
    HINSTANCE hInstance;
    union {
        HICON hIcon;
        LPCSTR pszIcon;
    };
    LPCSTR pszCaption;
    UINT nPages;
    union {
        UINT nStartPage;
        LPCSTR pStartPage;
    };
    union {
        LPCPROPSHEETPAGEA ppsp;
        HPROPSHEETPAGE* phpage;
    };
    PFNPROPSHEETCALLBACK pfnCallback;
} PROPSHEETHEADERA, *LPPROPSHEETHEADERA;
typedef const PROPSHEETHEADERA* LPCPROPSHEETHEADERA;

#define PROPSHEETHEADERA_V1_SIZE sizeof(PROPSHEETHEADERA)

/* Notifications to the pages. */
typedef struct _PSHNOTIFY {
    NMHDR hdr;
    LPARAM lParam;
} PSHNOTIFY, *LPPSHNOTIFY;

#define PSN_FIRST (0U - 200U)
#define PSN_SETACTIVE (PSN_FIRST - 0)
#define PSN_KILLACTIVE (PSN_FIRST - 1)
#define PSN_APPLY (PSN_FIRST - 2)
#define PSN_RESET (PSN_FIRST - 3)
#define PSN_QUERYCANCEL (PSN_FIRST - 9)

/* PSN_APPLY's answers. */
#define PSNRET_NOERROR 0
#define PSNRET_INVALID 1
#define PSNRET_INVALID_NOCHANGEPAGE 2

/* Messages to the sheet. The macros of actions answer the message's
 * result uncast, so that a statement may drop it. */
#define PSM_SETCURSEL (WM_USER + 101)
#define PSM_REMOVEPAGE (WM_USER + 102)
#define PSM_ADDPAGE (WM_USER + 103)
#define PSM_CHANGED (WM_USER + 104)
#define PSM_CANCELTOCLOSE (WM_USER + 107)
#define PSM_QUERYSIBLINGS (WM_USER + 108)
#define PSM_UNCHANGED (WM_USER + 109)
#define PSM_APPLY (WM_USER + 110)
#define PSM_SETTITLEA (WM_USER + 111)
#define PSM_PRESSBUTTON (WM_USER + 113)
#define PSM_GETTABCONTROL (WM_USER + 116)
#define PSM_GETCURRENTPAGEHWND (WM_USER + 118)
#define PSM_HWNDTOINDEX (WM_USER + 129)
#define PSM_INDEXTOHWND (WM_USER + 130)

/* PSM_PRESSBUTTON's buttons. */
#define PSBTN_OK 3
#define PSBTN_APPLYNOW 4
#define PSBTN_CANCEL 5

#define PropSheet_SetCurSel(hDlg, hpage, index) \
    (SendMessageA((hDlg), PSM_SETCURSEL, (WPARAM)(index), (LPARAM)(hpage)))
#define PropSheet_RemovePage(hDlg, index, hpage) \
    (SendMessageA((hDlg), PSM_REMOVEPAGE, (WPARAM)(index), (LPARAM)(hpage)))
#define PropSheet_AddPage(hDlg, hpage) (SendMessageA((hDlg), PSM_ADDPAGE, 0, (LPARAM)(hpage)))
#define PropSheet_Changed(hDlg, hwnd) (SendMessageA((hDlg), PSM_CHANGED, (WPARAM)(hwnd), 0))
#define PropSheet_UnChanged(hDlg, hwnd) (SendMessageA((hDlg), PSM_UNCHANGED, (WPARAM)(hwnd), 0))
#define PropSheet_CancelToClose(hDlg) (PostMessageA((hDlg), PSM_CANCELTOCLOSE, 0, 0))
#define PropSheet_QuerySiblings(hDlg, wParam, lParam) \
    (SendMessageA((hDlg), PSM_QUERYSIBLINGS, (WPARAM)(wParam), (LPARAM)(lParam)))
#define PropSheet_Apply(hDlg) (SendMessageA((hDlg), PSM_APPLY, 0, 0))
#define PropSheet_SetTitle(hDlg, wStyle, lpszText) \
    (SendMessageA((hDlg), PSM_SETTITLEA, (WPARAM)(wStyle), (LPARAM)(LPCSTR)(lpszText)))
#define PropSheet_PressButton(hDlg, iButton) \
    (PostMessageA((hDlg), PSM_PRESSBUTTON, (WPARAM)(iButton), 0))
#define PropSheet_GetTabControl(hDlg) ((HWND)SendMessageA((hDlg), PSM_GETTABCONTROL, 0, 0))
#define PropSheet_GetCurrentPageHwnd(hDlg) \
    ((HWND)SendMessageA((hDlg), PSM_GETCURRENTPAGEHWND, 0, 0))
#define PropSheet_HwndToIndex(hDlg, hwnd) \
    ((int)SendMessageA((hDlg), PSM_HWNDTOINDEX, (WPARAM)(hwnd), 0))
#define PropSheet_IndexToHwnd(hDlg, i) ((HWND)SendMessageA((hDlg), PSM_INDEXTOHWND, (WPARAM)(i), 0))

/* Shows the sheet modally. The result: 1 when the user's changes were
 * saved (OK, or Apply before the sheet closed), 0 when not, -1 when the
 * sheet could not be made (a bad header or page record, more than
 * MAXPROPPAGES pages, a page whose template cannot be found). */
WINCOMMCTRLAPI INT_PTR WINAPI PropertySheetA(LPCPROPSHEETHEADERA lppsph);
/* A page that the sheet header's phpage array (without PSH_PROPSHEETPAGE)
 * or PSM_ADDPAGE can take; NULL (ERROR_INVALID_PARAMETER) for a bad record. */
WINCOMMCTRLAPI HPROPSHEETPAGE WINAPI
CreatePropertySheetPageA(LPCPROPSHEETPAGEA constPropSheetPagePointer);
/* Frees a page that no sheet has taken. */
WINCOMMCTRLAPI BOOL WINAPI DestroyPropertySheetPage(HPROPSHEETPAGE hPSPage);

#ifdef __cplusplus
}
#endif

#ifndef KMXWIN_NO_ANSI_ALIASES
#define PROPSHEETPAGE PROPSHEETPAGEA
#define LPPROPSHEETPAGE LPPROPSHEETPAGEA
#define LPCPROPSHEETPAGE LPCPROPSHEETPAGEA
#define PROPSHEETHEADER PROPSHEETHEADERA
#define LPPROPSHEETHEADER LPPROPSHEETHEADERA
#define LPCPROPSHEETHEADER LPCPROPSHEETHEADERA
#define PropertySheet PropertySheetA
#define CreatePropertySheetPage CreatePropertySheetPageA
#define PSM_SETTITLE PSM_SETTITLEA
#endif

#endif
