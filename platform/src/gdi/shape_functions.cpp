// Lines, polygons, rectangles, ellipses and single pixels.
#include "gdi/canvas.h"
#include "gdi/pen_stroke.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace kmxwin::gdi;

namespace {

// The surface rectangle of logical LEFT..RIGHT, TOP..BOTTOM, normalised.
RECT SurfaceBox(const Dc& dc, int left, int top, int right, int bottom) {
    POINT a = dc.LogicalToSurface(std::min(left, right), std::min(top, bottom));
    POINT b = dc.LogicalToSurface(std::max(left, right), std::max(top, bottom));
    return {a.x, a.y, b.x, b.y};
}

std::vector<POINT> ToSurface(const Dc& dc, const POINT* points, int count) {
    std::vector<POINT> out(count);
    for (int i = 0; i < count; ++i) out[i] = dc.LogicalToSurface(points[i].x, points[i].y);
    return out;
}

// Draws with the CPT points at APT, mapped to the surface; at least two.
template <class F>
BOOL DrawPoints(HDC hdc, const POINT* apt, int cpt, F draw) {
    if (!apt || cpt < 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return DrawOnDc(hdc, [&](Dc& dc, Canvas& canvas) {
        std::vector<POINT> points = ToSurface(dc, apt, cpt);
        draw(dc, canvas, points);
        return TRUE;
    });
}

// The part of BOX inside a pen of the DC: what the brush fills. Without a
// pen, Windows fills one pixel less to the right and bottom.
RECT Interior(const Dc& dc, const RECT& box) {
    if (PenIsNull(dc)) return {box.left, box.top, box.right - 1, box.bottom - 1};
    int inset = PenWidth(dc) > 1 ? PenWidth(dc) / 2 : 1;
    return {box.left + inset, box.top + inset, box.right - inset, box.bottom - inset};
}

}  // namespace

extern "C" {

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->state.position;
    dc->state.position = {x, y};
    return TRUE;
}

BOOL WINAPI GetCurrentPositionEx(HDC hdc, LPPOINT lppt) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc || !lppt) return FALSE;
    *lppt = dc->state.position;
    return TRUE;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    return DrawOnDc(hdc, [&](Dc& dc, Canvas& canvas) {
        POINT line[2] = {dc.LogicalToSurface(dc.state.position.x, dc.state.position.y),
                         dc.LogicalToSurface(x, y)};
        StrokePolyline(canvas, line, 2, false);
        dc.state.position = {x, y};
        return TRUE;
    });
}

BOOL WINAPI Polyline(HDC hdc, const POINT* apt, int cpt) {
    return DrawPoints(hdc, apt, cpt, [](Dc&, Canvas& canvas, std::vector<POINT>& points) {
        StrokePolyline(canvas, points.data(), static_cast<int>(points.size()), false);
    });
}

BOOL WINAPI Polygon(HDC hdc, const POINT* apt, int cpt) {
    return DrawPoints(hdc, apt, cpt, [](Dc& dc, Canvas& canvas, std::vector<POINT>& points) {
        if (std::optional<Paint> brush = BrushPaint(dc)) {
            RECT bounds = {points[0].x, points[0].y, points[0].x, points[0].y};
            for (const POINT& p : points) {
                bounds = {std::min(bounds.left, p.x), std::min(bounds.top, p.y),
                          std::max(bounds.right, p.x + 1), std::max(bounds.bottom, p.y + 1)};
            }
            // A pixel is inside when its centre is, which puts vertices on
            // pixel centres as the outline does.
            CoverageMask mask = canvas.Render(bounds, [&](cairo_t* cr) {
                for (const POINT& p : points) cairo_line_to(cr, p.x + 0.5, p.y + 0.5);
                cairo_close_path(cr);
                cairo_set_fill_rule(cr, dc.state.poly_fill_mode == WINDING
                                            ? CAIRO_FILL_RULE_WINDING
                                            : CAIRO_FILL_RULE_EVEN_ODD);
                cairo_fill(cr);
            });
            canvas.PaintMask(mask, *brush);
        }
        StrokePolyline(canvas, points.data(), static_cast<int>(points.size()), true);
    });
}

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    return DrawOnDc(hdc, [&](Dc& dc, Canvas& canvas) {
        RECT box = SurfaceBox(dc, left, top, right, bottom);
        if (std::optional<Paint> brush = BrushPaint(dc)) canvas.FillRect(Interior(dc, box), *brush);
        if (PenIsNull(dc)) return TRUE;
        // The outline runs through the centres of the outermost pixels; a
        // wide inside-frame pen keeps within the box.
        int inset = 0;
        const auto* pen = static_cast<const Pen*>(dc.state.pen.get());
        if (pen->Style() == PS_INSIDEFRAME && PenWidth(dc) > 1) inset = PenWidth(dc) / 2;
        POINT corners[4] = {{box.left + inset, box.top + inset},
                            {box.right - 1 - inset, box.top + inset},
                            {box.right - 1 - inset, box.bottom - 1 - inset},
                            {box.left + inset, box.bottom - 1 - inset}};
        StrokePolyline(canvas, corners, 4, true);
        return TRUE;
    });
}

BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    return DrawOnDc(hdc, [&](Dc& dc, Canvas& canvas) {
        RECT box = SurfaceBox(dc, left, top, right, bottom);
        if (std::optional<Paint> brush = BrushPaint(dc)) {
            RECT inside = Interior(dc, box);
            CoverageMask mask = canvas.Render(inside, [&](cairo_t* cr) {
                AddEllipsePath(
                    cr, (inside.left + inside.right) / 2.0, (inside.top + inside.bottom) / 2.0,
                    (inside.right - inside.left) / 2.0, (inside.bottom - inside.top) / 2.0);
                cairo_fill(cr);
            });
            canvas.PaintMask(mask, *brush);
        }
        StrokeEllipse(canvas, box);
        return TRUE;
    });
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    Canvas canvas(*dc);
    POINT p = dc->LogicalToSurface(x, y);
    if (!canvas.IsVisible(p.x, p.y)) return CLR_INVALID;
    return ToColorRef(*canvas.PixelAt(p.x, p.y) & 0xFFFFFF);
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    Canvas canvas(*dc);
    POINT p = dc->LogicalToSurface(x, y);
    if (!canvas.IsVisible(p.x, p.y)) return CLR_INVALID;
    canvas.Plot(p.x, p.y, Paint{ToPixel(color)});
    return color & 0xFFFFFF;
}

BOOL WINAPI SetPixelV(HDC hdc, int x, int y, COLORREF color) {
    return SetPixel(hdc, x, y, color) != CLR_INVALID;
}

}  // extern "C"
