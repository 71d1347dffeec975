// Dialog units: the average character width and the height of a dialog's
// font, by the rule Microsoft documents (the extent of the 52 letters, over
// 26, plus one, halved), and GetDialogBaseUnits, MapDialogRect.
#include "windowing/dialog_manager.h"

namespace kmxwin::win {

SIZE DialogFontUnits(HFONT font) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SIZE letters{};
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32A(dc, kLetters, 52, &letters);
    SelectObject(dc, old);
    DeleteDC(dc);
    return {(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

LONG WINAPI GetDialogBaseUnits(void) {
    static const SIZE units = DialogFontUnits(nullptr);
    return MAKELONG(units.cx, units.cy);
}

BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect) {
    SIZE base{};
    if (!WithDialog(hDlg, [&](DialogData& data) { base = data.base_units; })) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    lpRect->left = MulDiv(lpRect->left, base.cx, 4);
    lpRect->right = MulDiv(lpRect->right, base.cx, 4);
    lpRect->top = MulDiv(lpRect->top, base.cy, 8);
    lpRect->bottom = MulDiv(lpRect->bottom, base.cy, 8);
    return TRUE;
}

}  // extern "C"
