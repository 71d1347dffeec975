// The drawing helpers of user32: filled, framed, inverted and focus
// rectangles and three-dimensional edges. Rectangles are logical; right and
// bottom are outside them. Brushes are put down as they are (PATCOPY), not
// through the DC's ROP2.
#include "gdi/canvas.h"
#include "gdi/system_colors.h"

#include <windows.h>

using namespace kmxwin::gdi;

namespace {

RECT SurfaceRect(const Dc& dc, const RECT& r) {
    POINT a = dc.LogicalToSurface(r.left, r.top), b = dc.LogicalToSurface(r.right, r.bottom);
    return {a.x, a.y, b.x, b.y};
}

bool Empty(const RECT& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

// The strips of a one-pixel frame around R, each pixel in one strip only.
void ForEachFrameStrip(const RECT& r, const std::function<void(const RECT&)>& strip) {
    strip({r.left, r.top, r.right, r.top + 1});
    if (r.bottom - r.top > 1) strip({r.left, r.bottom - 1, r.right, r.bottom});
    if (r.bottom - r.top > 2) {
        strip({r.left, r.top + 1, r.left + 1, r.bottom - 1});
        if (r.right - r.left > 1) strip({r.right - 1, r.top + 1, r.right, r.bottom - 1});
    }
}

Paint SystemPaint(int index) {
    return Paint{ToPixel(GetSysColor(index))};
}

// The colours of one ring of an edge: top and left, then bottom and right.
struct RingColors {
    int top_left;
    int bottom_right;
};

// Draws the sides FLAGS names of a one-pixel ring on R: top and left first,
// then bottom and right across the full length, which takes the corners
// they share, as Windows draws them.
void DrawRing(Canvas& canvas, const RECT& r, UINT flags, RingColors colors) {
    Paint light = SystemPaint(colors.top_left), dark = SystemPaint(colors.bottom_right);
    if (flags & BF_TOP) canvas.FillRect({r.left, r.top, r.right - 1, r.top + 1}, light);
    if (flags & BF_LEFT) canvas.FillRect({r.left, r.top, r.left + 1, r.bottom - 1}, light);
    if (flags & BF_BOTTOM) canvas.FillRect({r.left, r.bottom - 1, r.right, r.bottom}, dark);
    if (flags & BF_RIGHT) canvas.FillRect({r.right - 1, r.top, r.right, r.bottom}, dark);
}

RingColors OuterColors(UINT edge, UINT flags) {
    if (flags & BF_MONO) return {COLOR_WINDOWFRAME, COLOR_WINDOWFRAME};
    if (flags & BF_FLAT) return {COLOR_BTNSHADOW, COLOR_BTNSHADOW};
    if (edge & BDR_RAISEDOUTER)
        return {(flags & BF_SOFT) ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT, COLOR_3DDKSHADOW};
    return {COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT};
}

RingColors InnerColors(UINT edge, UINT flags) {
    if (flags & BF_MONO) return {COLOR_WINDOW, COLOR_WINDOW};
    if (flags & BF_FLAT) return {COLOR_BTNFACE, COLOR_BTNFACE};
    if (edge & BDR_RAISEDINNER)
        return {(flags & BF_SOFT) ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW};
    return {COLOR_3DDKSHADOW, COLOR_3DLIGHT};
}

// Insets R by one pixel on the sides FLAGS names.
void Inset(RECT& r, UINT flags) {
    if (flags & BF_LEFT) ++r.left;
    if (flags & BF_TOP) ++r.top;
    if (flags & BF_RIGHT) --r.right;
    if (flags & BF_BOTTOM) --r.bottom;
}

}  // namespace

extern "C" {

int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    if (!lprc) return FALSE;
    return DrawOnDc(hDC, [&](Dc& dc, Canvas& canvas) {
        Brush* brush = BrushArgument(hbr);
        if (!brush) return FALSE;
        if (!brush->Hollow() && !Empty(*lprc))
            canvas.FillRect(SurfaceRect(dc, *lprc), Paint{ToPixel(brush->log.lbColor)});
        return TRUE;
    });
}

int WINAPI FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    if (!lprc) return FALSE;
    return DrawOnDc(hDC, [&](Dc& dc, Canvas& canvas) {
        Brush* brush = BrushArgument(hbr);
        if (!brush) return FALSE;
        if (brush->Hollow() || Empty(*lprc)) return TRUE;
        Paint paint{ToPixel(brush->log.lbColor)};
        ForEachFrameStrip(SurfaceRect(dc, *lprc),
                          [&](const RECT& strip) { canvas.FillRect(strip, paint); });
        return TRUE;
    });
}

BOOL WINAPI InvertRect(HDC hDC, const RECT* lprc) {
    if (!lprc) return FALSE;
    return DrawOnDc(hDC, [&](Dc& dc, Canvas& canvas) {
        if (!Empty(*lprc)) canvas.FillRect(SurfaceRect(dc, *lprc), Paint{0, R2_NOT});
        return TRUE;
    });
}

BOOL WINAPI DrawFocusRect(HDC hDC, const RECT* lprc) {
    if (!lprc) return FALSE;
    return DrawOnDc(hDC, [&](Dc& dc, Canvas& canvas) {
        if (Empty(*lprc)) return TRUE;
        // Every other pixel of the frame inverted, in a checkerboard fixed to
        // the DC's origin, so that drawing it again takes it away.
        POINT origin = dc.SurfaceOrigin();
        Paint invert{0xFFFFFF, R2_XORPEN};
        ForEachFrameStrip(SurfaceRect(dc, *lprc), [&](const RECT& strip) {
            canvas.ForEachVisible(strip, [&](int x, int y) {
                if (((x - origin.x) + (y - origin.y)) % 2 != 0) return;
                uint32_t* pixel = canvas.PixelAt(x, y);
                *pixel = invert.Apply(*pixel & 0xFFFFFF);
            });
        });
        return TRUE;
    });
}

BOOL WINAPI DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags) {
    if (!qrc) return FALSE;
    RECT r = *qrc;
    BOOL drawn = DrawOnDc(hdc, [&](Dc& dc, Canvas& canvas) {
        RECT ring = SurfaceRect(dc, r);
        if (edge & BDR_OUTER) {
            DrawRing(canvas, ring, grfFlags, OuterColors(edge, grfFlags));
            Inset(ring, grfFlags);
            Inset(r, grfFlags);
        }
        if (edge & BDR_INNER) {
            DrawRing(canvas, ring, grfFlags, InnerColors(edge, grfFlags));
            Inset(ring, grfFlags);
            Inset(r, grfFlags);
        }
        if ((grfFlags & BF_MIDDLE) && !Empty(ring))
            canvas.FillRect(ring, SystemPaint((grfFlags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
        return TRUE;
    });
    if (drawn && (grfFlags & BF_ADJUST)) *qrc = r;
    return drawn;
}

}  // extern "C"
