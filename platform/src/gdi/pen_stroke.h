// Outlines drawn with a DC's pen and areas filled with its brush, as GDI
// draws them: one-pixel pens step from pixel centre to pixel centre and
// leave out each segment's end point, with the dash patterns of Windows'
// cosmetic pens (gaps painted in the background colour when the background
// mode is OPAQUE); wider pens are solid with round ends and joins.
#pragma once

#include "gdi/canvas.h"

#include <optional>

namespace kmxwin::gdi {

// The brush's colour with the DC's ROP2; none for a hollow brush.
std::optional<Paint> BrushPaint(const Dc& dc);

// Draws the open (or, with CLOSED, closed) path through POINTS (surface
// coordinates) with the DC's pen; a dash pattern runs on from segment to
// segment.
void StrokePolyline(Canvas& canvas, const POINT* points, int count, bool closed);

// True when the DC's pen draws nothing.
bool PenIsNull(const Dc& dc);

// The DC's pen width in pixels (1 for cosmetic pens).
int PenWidth(const Dc& dc);

// Adds to CR's path the ellipse of centre (CX, CY) and radii RX, RY.
void AddEllipsePath(cairo_t* cr, double cx, double cy, double rx, double ry);

// Draws the ellipse outline bounded by BOX (surface coordinates, right and
// bottom excluded) with the DC's pen.
void StrokeEllipse(Canvas& canvas, const RECT& box);

}  // namespace kmxwin::gdi
