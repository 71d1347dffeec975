#include "gdi/pen_stroke.h"

#include "gdi/drawing_objects.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace kmxwin::gdi {
namespace {

// Dash and gap lengths of Windows' one-pixel styled pens.
struct DashPattern {
    int count;
    int lengths[6];
};
constexpr DashPattern kDash = {2, {18, 6}};
constexpr DashPattern kDot = {2, {3, 3}};
constexpr DashPattern kDashDot = {4, {9, 6, 3, 6}};
constexpr DashPattern kDashDotDot = {6, {9, 3, 3, 3, 3, 3}};

const DashPattern* PatternOf(UINT style) {
    switch (style) {
        case PS_DASH:
            return &kDash;
        case PS_DOT:
            return &kDot;
        case PS_DASHDOT:
            return &kDashDot;
        case PS_DASHDOTDOT:
            return &kDashDotDot;
        default:
            return nullptr;
    }
}

// Whether position POSITION of PATTERN falls on a dash.
bool OnDash(const DashPattern& pattern, int position) {
    int period = 0;
    for (int i = 0; i < pattern.count; ++i) period += pattern.lengths[i];
    position %= period;
    for (int i = 0; i < pattern.count; ++i) {
        if (position < pattern.lengths[i]) return i % 2 == 0;
        position -= pattern.lengths[i];
    }
    return false;
}

struct CosmeticPen {
    Paint line;
    const DashPattern* pattern;
    bool opaque_gaps;
    Paint gap;
};

// Every dash pattern repeats within this many pixels.
constexpr int64_t kPatternPeriod = 24;

int64_t FloorDiv(int64_t n, int64_t d) {
    int64_t q = n / d;
    return (n % d != 0 && (n < 0) != (d < 0)) ? q - 1 : q;
}

// Narrows [*FIRST, *LAST) to the steps I at which START + I * DELTA / STEPS
// may fall within [LOW, HIGH), with a step to spare on each side.
void NarrowSteps(int64_t start, int64_t delta, int64_t steps, int64_t low, int64_t high,
                 int64_t* first, int64_t* last) {
    if (delta == 0) {
        if (start < low || start >= high) *last = *first;
        return;
    }
    // The offset I * |DELTA| / STEPS must lie in [from, to].
    int64_t from = delta > 0 ? low - start - 1 : start - high - 1;
    int64_t to = delta > 0 ? high - start + 1 : start - low + 1;
    int64_t magnitude = delta > 0 ? delta : -delta;
    *first = std::max(*first, FloorDiv(from * steps, magnitude) - 1);
    *last = std::min(*last, FloorDiv(to * steps, magnitude) + 2);
}

// The line from A to B without B, one pixel a step along its longer axis,
// the other coordinate rounded to the nearest pixel. Only the steps that can
// reach the visible area are walked, so a line far longer than the surface
// costs no more than one across it.
void DrawCosmeticLine(Canvas& canvas, POINT a, POINT b, const CosmeticPen& pen, int* position) {
    int64_t dx = int64_t{b.x} - a.x, dy = int64_t{b.y} - a.y;
    int64_t steps = std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy);
    if (steps == 0) return;
    cairo_rectangle_int_t visible;
    cairo_region_get_extents(canvas.Visible(), &visible);
    int64_t first = 0, last = steps;
    NarrowSteps(a.x, dx, steps, visible.x, int64_t{visible.x} + visible.width, &first, &last);
    NarrowSteps(a.y, dy, steps, visible.y, int64_t{visible.y} + visible.height, &first, &last);
    for (int64_t i = first; i < last; ++i) {
        int x = static_cast<int>(a.x + FloorDiv(2 * i * dx + steps, 2 * steps));
        int y = static_cast<int>(a.y + FloorDiv(2 * i * dy + steps, 2 * steps));
        if (!pen.pattern ||
            OnDash(*pen.pattern, static_cast<int>((*position + i) % kPatternPeriod))) {
            canvas.Plot(x, y, pen.line);
        } else if (pen.opaque_gaps) {
            canvas.Plot(x, y, pen.gap);
        }
    }
    *position = static_cast<int>((*position + steps) % kPatternPeriod);
}

const Pen& PenOf(const Dc& dc) {
    return *static_cast<const Pen*>(dc.state.pen.get());
}

Paint PenPaint(const Dc& dc) {
    return {ToPixel(PenOf(dc).log.lopnColor), dc.state.rop2};
}

// Strokes what PATH builds with the DC's wide pen, round ends and joins.
void StrokeWide(Canvas& canvas, const RECT& bounds, const std::function<void(cairo_t*)>& path) {
    const Dc& dc = canvas.dc();
    int width = PenWidth(dc);
    RECT grown = {ClampCoordinate(int64_t{bounds.left} - width),
                  ClampCoordinate(int64_t{bounds.top} - width),
                  ClampCoordinate(int64_t{bounds.right} + width),
                  ClampCoordinate(int64_t{bounds.bottom} + width)};
    CoverageMask mask = canvas.Render(grown, [&](cairo_t* cr) {
        path(cr);
        cairo_set_line_width(cr, width);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
    });
    canvas.PaintMask(mask, PenPaint(dc));
}

}  // namespace

void AddEllipsePath(cairo_t* cr, double cx, double cy, double rx, double ry) {
    if (rx <= 0 || ry <= 0) return;
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
}

std::optional<Paint> BrushPaint(const Dc& dc) {
    const Brush& brush = *static_cast<const Brush*>(dc.state.brush.get());
    if (brush.Hollow()) return std::nullopt;
    return Paint{ToPixel(brush.log.lbColor), dc.state.rop2};
}

bool PenIsNull(const Dc& dc) {
    return PenOf(dc).Style() == PS_NULL;
}

int PenWidth(const Dc& dc) {
    return PenOf(dc).Width();
}

void StrokePolyline(Canvas& canvas, const POINT* points, int count, bool closed) {
    const Dc& dc = canvas.dc();
    if (PenIsNull(dc) || count < 2) return;
    if (PenWidth(dc) > 1) {
        RECT bounds = {points[0].x, points[0].y, points[0].x + 1, points[0].y + 1};
        for (int i = 1; i < count; ++i) {
            bounds.left = std::min(bounds.left, points[i].x);
            bounds.top = std::min(bounds.top, points[i].y);
            bounds.right = std::max(bounds.right, points[i].x + 1);
            bounds.bottom = std::max(bounds.bottom, points[i].y + 1);
        }
        StrokeWide(canvas, bounds, [&](cairo_t* cr) {
            for (int i = 0; i < count; ++i) cairo_line_to(cr, points[i].x + 0.5, points[i].y + 0.5);
            if (closed) cairo_close_path(cr);
        });
        return;
    }
    CosmeticPen pen = {PenPaint(dc), PatternOf(PenOf(dc).Style()), dc.state.bk_mode == OPAQUE,
                       Paint{ToPixel(dc.state.bk_color), dc.state.rop2}};
    int position = 0;
    for (int i = 1; i < count; ++i)
        DrawCosmeticLine(canvas, points[i - 1], points[i], pen, &position);
    if (closed) DrawCosmeticLine(canvas, points[count - 1], points[0], pen, &position);
}

void StrokeEllipse(Canvas& canvas, const RECT& box) {
    const Dc& dc = canvas.dc();
    if (PenIsNull(dc)) return;
    double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
    double rx = (box.right - box.left) / 2.0, ry = (box.bottom - box.top) / 2.0;
    if (PenWidth(dc) > 1) {
        StrokeWide(canvas, box,
                   [&](cairo_t* cr) { AddEllipsePath(cr, cx, cy, rx - 0.5, ry - 0.5); });
        return;
    }
    // A one-pixel outline: the ellipse through the outer pixel edges less
    // the one a pixel inside it.
    CoverageMask mask = canvas.Render(box, [&](cairo_t* cr) {
        AddEllipsePath(cr, cx, cy, rx, ry);
        AddEllipsePath(cr, cx, cy, rx - 1, ry - 1);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_fill(cr);
    });
    canvas.PaintMask(mask, PenPaint(dc));
}

}  // namespace kmxwin::gdi
