// System metrics of a standard desktop at 96 DPI, and the beep.
#include "windowing/display.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"

extern "C" {

int WINAPI GetSystemMetrics(int nIndex) {
    using namespace kmxwin::win;
    SIZE screen = TheDisplay().ScreenSize();
    switch (nIndex) {
        case SM_CXSCREEN:
        case SM_CXFULLSCREEN:
        case SM_CXVIRTUALSCREEN:
            return screen.cx;
        case SM_CYSCREEN:
        case SM_CYVIRTUALSCREEN:
            return screen.cy;
        case SM_CYFULLSCREEN:
            return screen.cy - 19;
        case SM_XVIRTUALSCREEN:
        case SM_YVIRTUALSCREEN:
            return 0;
        case SM_CXVSCROLL:
        case SM_CYHSCROLL:
        case SM_CYVSCROLL:
        case SM_CXHSCROLL:
            return 16;
        case SM_CYCAPTION:
            return 19;
        case SM_CXBORDER:
        case SM_CYBORDER:
            return 1;
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME:
            return 3;
        case SM_CXFRAME:
        case SM_CYFRAME:
            return 4;
        case SM_CXEDGE:
        case SM_CYEDGE:
            return 2;
        case SM_CXICON:
        case SM_CYICON:
        case SM_CXCURSOR:
        case SM_CYCURSOR:
            return 32;
        case SM_CXSMICON:
        case SM_CYSMICON:
            return 16;
        case SM_CYMENU:
            return 19;
        case SM_CYSMCAPTION:
            return 15;
        case SM_CXSIZE:
        case SM_CYSIZE:
            return 18;
        case SM_CXMIN:
            return 112;
        case SM_CYMIN:
            return 27;
        case SM_CXMINTRACK:
            return 112;
        case SM_CYMINTRACK:
            return 27;
        case SM_CXDOUBLECLK:
        case SM_CYDOUBLECLK:
        case SM_CXDRAG:
        case SM_CYDRAG:
            return 4;
        case SM_CXMENUCHECK:
        case SM_CYMENUCHECK:
            return 13;
        case SM_MOUSEPRESENT:
        case SM_MOUSEWHEELPRESENT:
        case SM_CMONITORS:
            return 1;
        case SM_CMOUSEBUTTONS:
            return 3;
        case SM_SWAPBUTTON:
            return 0;
        default:
            return 0;
    }
}

BOOL WINAPI MessageBeep(UINT uType) {
    (void)uType;  // one sound for every kind
    kmxwin::win::TheDisplay().Beep();
    return TRUE;
}

}  // extern "C"
