// Memory DCs, the DC's state and its coordinate origins.
#include "gdi/device_context.h"
#include "gdi/screen_metrics.h"
#include "gdi/stock_objects.h"

using namespace kmxwin::gdi;

namespace {

// Runs SET on the DC's state and returns what it returns, or FAILED for a
// bad DC.
template <class T, class F>
T WithDc(HDC hdc, T failed, F set) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    return dc ? set(*dc) : failed;
}

template <class T>
T Exchange(T& field, T value) {
    T previous = field;
    field = value;
    return previous;
}

BOOL SetOrigin(HDC hdc, POINT DcState::*origin, int x, int y, LPPOINT lppt, bool relative) {
    return WithDc(hdc, FALSE, [&](Dc& dc) {
        POINT& field = dc.state.*origin;
        if (lppt) *lppt = field;
        field = relative ? POINT{field.x + x, field.y + y} : POINT{x, y};
        return TRUE;
    });
}

}  // namespace

extern "C" {

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    auto lock = LockGdi();
    if (hdc && !LookupDc(hdc)) return nullptr;
    if (!DefaultBitmap()) return nullptr;
    auto dc = std::make_unique<Dc>(OBJ_MEMDC, nullptr, POINT{0, 0}, RECT{});
    SelectDefaultObjects(*dc, SYSTEM_FONT);
    return static_cast<HDC>(InsertObject(std::move(dc)));
}

BOOL WINAPI DeleteDC(HDC hdc) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if (!dc->IsMemoryDc()) {
        // A window's DC goes back with ReleaseDC or EndPaint.
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DeleteGdiObject(dc);
    return TRUE;
}

int WINAPI SaveDC(HDC hdc) {
    return WithDc(hdc, 0, [](Dc& dc) {
        dc.saved.push_back(dc.state);
        return static_cast<int>(dc.saved.size());
    });
}

BOOL WINAPI RestoreDC(HDC hdc, int nSavedDC) {
    return WithDc(hdc, FALSE, [&](Dc& dc) {
        int count = static_cast<int>(dc.saved.size());
        int level = nSavedDC < 0 ? count + 1 + nSavedDC : nSavedDC;
        if (nSavedDC == 0 || level < 1 || level > count) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        dc.state = dc.saved[level - 1];
        dc.saved.resize(level - 1);
        if (Bitmap* bitmap = dc.SelectedBitmap()) bitmap->selected_in = &dc;
        return TRUE;
    });
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
    return WithDc(hdc, 0, [&](Dc&) {
        SIZE screen = ScreenSize();
        switch (index) {
            case TECHNOLOGY:
                return DT_RASDISPLAY;
            case HORZSIZE:
                return screen.cx * 254 / (kScreenDpi * 10);
            case VERTSIZE:
                return screen.cy * 254 / (kScreenDpi * 10);
            case HORZRES:
                return static_cast<int>(screen.cx);
            case VERTRES:
                return static_cast<int>(screen.cy);
            case BITSPIXEL:
                return 32;
            case PLANES:
                return 1;
            case NUMCOLORS:
                return -1;
            case LOGPIXELSX:
            case LOGPIXELSY:
                return kScreenDpi;
            default:
                return 0;
        }
    });
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    return WithDc(hdc, CLR_INVALID,
                  [&](Dc& dc) { return Exchange(dc.state.text_color, color & 0xFFFFFF); });
}

COLORREF WINAPI GetTextColor(HDC hdc) {
    return WithDc(hdc, CLR_INVALID, [](Dc& dc) { return dc.state.text_color; });
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    return WithDc(hdc, CLR_INVALID,
                  [&](Dc& dc) { return Exchange(dc.state.bk_color, color & 0xFFFFFF); });
}

COLORREF WINAPI GetBkColor(HDC hdc) {
    return WithDc(hdc, CLR_INVALID, [](Dc& dc) { return dc.state.bk_color; });
}

int WINAPI SetBkMode(HDC hdc, int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return WithDc(hdc, 0, [&](Dc& dc) { return Exchange(dc.state.bk_mode, mode); });
}

int WINAPI GetBkMode(HDC hdc) {
    return WithDc(hdc, 0, [](Dc& dc) { return dc.state.bk_mode; });
}

int WINAPI SetROP2(HDC hdc, int rop2) {
    if (rop2 < R2_BLACK || rop2 > R2_WHITE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return WithDc(hdc, 0, [&](Dc& dc) { return Exchange(dc.state.rop2, rop2); });
}

int WINAPI GetROP2(HDC hdc) {
    return WithDc(hdc, 0, [](Dc& dc) { return dc.state.rop2; });
}

int WINAPI SetPolyFillMode(HDC hdc, int mode) {
    if (mode != ALTERNATE && mode != WINDING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return WithDc(hdc, 0, [&](Dc& dc) { return Exchange(dc.state.poly_fill_mode, mode); });
}

int WINAPI GetPolyFillMode(HDC hdc) {
    return WithDc(hdc, 0, [](Dc& dc) { return dc.state.poly_fill_mode; });
}

int WINAPI SetStretchBltMode(HDC hdc, int mode) {
    if (mode < BLACKONWHITE || mode > HALFTONE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return WithDc(hdc, 0, [&](Dc& dc) { return Exchange(dc.state.stretch_mode, mode); });
}

int WINAPI GetStretchBltMode(HDC hdc) {
    return WithDc(hdc, 0, [](Dc& dc) { return dc.state.stretch_mode; });
}

BOOL WINAPI SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    return SetOrigin(hdc, &DcState::viewport_org, x, y, lppt, false);
}

BOOL WINAPI OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    return SetOrigin(hdc, &DcState::viewport_org, x, y, lppt, true);
}

BOOL WINAPI GetViewportOrgEx(HDC hdc, LPPOINT lppoint) {
    return WithDc(hdc, FALSE, [&](Dc& dc) {
        if (!lppoint) return FALSE;
        *lppoint = dc.state.viewport_org;
        return TRUE;
    });
}

BOOL WINAPI SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    return SetOrigin(hdc, &DcState::window_org, x, y, lppt, false);
}

BOOL WINAPI GetWindowOrgEx(HDC hdc, LPPOINT lppoint) {
    return WithDc(hdc, FALSE, [&](Dc& dc) {
        if (!lppoint) return FALSE;
        *lppoint = dc.state.window_org;
        return TRUE;
    });
}

BOOL WINAPI LPtoDP(HDC hdc, LPPOINT lppt, int c) {
    return WithDc(hdc, FALSE, [&](Dc& dc) {
        if (!lppt && c > 0) return FALSE;
        for (int i = 0; i < c; ++i) lppt[i] = dc.LogicalToDevice(lppt[i].x, lppt[i].y);
        return TRUE;
    });
}

BOOL WINAPI DPtoLP(HDC hdc, LPPOINT lppt, int c) {
    return WithDc(hdc, FALSE, [&](Dc& dc) {
        if (!lppt && c > 0) return FALSE;
        for (int i = 0; i < c; ++i) lppt[i] = dc.DeviceToLogical(lppt[i].x, lppt[i].y);
        return TRUE;
    });
}

BOOL WINAPI GdiFlush(void) {
    // Drawing is done by the time each call returns, DIB bits included.
    return TRUE;
}

}  // extern "C"
