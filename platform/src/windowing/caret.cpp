// The caret: a rectangle inverted on its window at a position the window
// sets, hidden and shown by count, blinking by a timer on its window.
#include "windowing/caret.h"

#include <atomic>

namespace kmxwin::win {
namespace {

// The blink timer's id on the caret's window: above the small ids that
// applications give their own timers.
constexpr UINT_PTR kBlinkTimer = 0x7FFF0CA7;
constexpr UINT kDefaultBlinkTime = 530;

struct Caret {
    HWND hwnd = nullptr;
    POINT pos{};
    SIZE size{};
    int hidden = 1;              // the hide count: the caret shows at 0
    bool drawn = false;          // inverted on the window now
    bool out_for_paint = false;  // taken off while its window paints
};

// Windows keeps one caret per message queue; here that is one per thread.
thread_local Caret t_caret;
std::atomic<UINT> g_blink_time{kDefaultBlinkTime};

void Invert() {
    HDC dc = GetDC(t_caret.hwnd);
    if (!dc) return;
    RECT rect{t_caret.pos.x, t_caret.pos.y, t_caret.pos.x + t_caret.size.cx,
              t_caret.pos.y + t_caret.size.cy};
    InvertRect(dc, &rect);
    ReleaseDC(t_caret.hwnd, dc);
    t_caret.drawn = !t_caret.drawn;
}

void Erase() {
    if (t_caret.drawn) Invert();
}

bool ShouldShow() {
    return t_caret.hwnd && t_caret.hidden == 0 && !t_caret.out_for_paint;
}

void CALLBACK Blink(HWND hwnd, UINT, UINT_PTR, DWORD) {
    if (hwnd == t_caret.hwnd && ShouldShow()) Invert();
}

// Shows the caret (when it should show) for a whole blink period from now.
void DrawAndRestartBlink() {
    if (!ShouldShow()) return;
    if (!t_caret.drawn) Invert();
    UINT blink = g_blink_time.load();
    if (blink == INFINITE)
        KillTimer(t_caret.hwnd, kBlinkTimer);
    else
        SetTimer(t_caret.hwnd, kBlinkTimer, blink, Blink);
}

// Whether HWND (nullptr: any) names this thread's caret.
bool IsCaretOf(HWND hwnd) {
    return t_caret.hwnd && (!hwnd || hwnd == t_caret.hwnd);
}

}  // namespace

void HideCaretForPaint(HWND hwnd) {
    if (!t_caret.hwnd || hwnd != t_caret.hwnd || t_caret.out_for_paint) return;
    Erase();
    t_caret.out_for_paint = true;
}

void ShowCaretAfterPaint(HWND hwnd) {
    if (!t_caret.hwnd || hwnd != t_caret.hwnd || !t_caret.out_for_paint) return;
    t_caret.out_for_paint = false;
    if (ShouldShow() && !t_caret.drawn) Invert();
}

void ForgetCaretOf(HWND hwnd) {
    if (hwnd && hwnd == t_caret.hwnd) t_caret = Caret{};
}

}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

BOOL WINAPI CreateCaret(HWND hWnd, HBITMAP hBitmap, int nWidth, int nHeight) {
    DWORD thread = GetWindowThreadProcessId(hWnd, nullptr);
    if (!thread) return FALSE;
    if (thread != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DestroyCaret();
    BITMAP bitmap{};
    if (hBitmap && hBitmap != reinterpret_cast<HBITMAP>(1) &&
        GetObjectA(hBitmap, sizeof bitmap, &bitmap)) {
        nWidth = bitmap.bmWidth;
        nHeight = bitmap.bmHeight;
    }
    t_caret.hwnd = hWnd;
    t_caret.size = {nWidth > 0 ? nWidth : GetSystemMetrics(SM_CXBORDER),
                    nHeight > 0 ? nHeight : GetSystemMetrics(SM_CYBORDER)};
    return TRUE;
}

BOOL WINAPI DestroyCaret(void) {
    if (!t_caret.hwnd) return FALSE;
    Erase();
    KillTimer(t_caret.hwnd, kBlinkTimer);
    t_caret = Caret{};
    return TRUE;
}

BOOL WINAPI ShowCaret(HWND hWnd) {
    if (!IsCaretOf(hWnd)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (t_caret.hidden > 0 && --t_caret.hidden == 0) DrawAndRestartBlink();
    return TRUE;
}

BOOL WINAPI HideCaret(HWND hWnd) {
    if (!IsCaretOf(hWnd)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (t_caret.hidden++ == 0) {
        Erase();
        KillTimer(t_caret.hwnd, kBlinkTimer);
    }
    return TRUE;
}

BOOL WINAPI SetCaretPos(int X, int Y) {
    if (!t_caret.hwnd) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (t_caret.pos.x == X && t_caret.pos.y == Y) return TRUE;
    Erase();
    t_caret.pos = {X, Y};
    DrawAndRestartBlink();
    return TRUE;
}

BOOL WINAPI GetCaretPos(LPPOINT lpPoint) {
    if (!lpPoint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpPoint = t_caret.pos;
    return TRUE;
}

UINT WINAPI GetCaretBlinkTime(void) {
    return g_blink_time.load();
}

BOOL WINAPI SetCaretBlinkTime(UINT uMSeconds) {
    g_blink_time = uMSeconds;
    return TRUE;
}

}  // extern "C"
