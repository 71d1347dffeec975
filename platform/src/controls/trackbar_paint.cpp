#include "controls/trackbar_paint.h"

#include <commctrl.h>

#include <algorithm>

namespace kmxwin::controls {
namespace {

// Paints the thumb row by row, in the layout's coordinates along and across
// the channel, so that one drawing serves all four orientations. Light
// falls from the top left as everywhere in the classic look: the sides
// towards the start of both axes are highlighted, the others shaded.
class ThumbPainter {
  public:
    ThumbPainter(HDC dc, const TrackbarLayout& layout) : dc_(dc), layout_(layout) {}

    void Paint(int centre, bool dithered) {
        int half = layout_.ThumbWidth() / 2;
        int first_row = layout_.ThumbAcross();
        int last_row = first_row + layout_.ThumbLength() - 1;
        ThumbShape shape = layout_.Shape();
        for (int row = first_row; row <= last_row; ++row) {
            // How far the row lies inside the point, narrowing towards the tip.
            int inset = 0;
            if (shape == ThumbShape::PointsAfter) inset = std::max(0, row - (last_row - half));
            if (shape == ThumbShape::PointsBefore) inset = std::max(0, first_row + half - row);
            int lo = centre - half + inset;
            int hi = centre + half - inset;

            bool lit_end = row == first_row && shape != ThumbShape::PointsBefore;
            bool shaded_end = row == last_row && shape != ThumbShape::PointsAfter;
            bool inner_shaded_end = row == last_row - 1 && shape != ThumbShape::PointsAfter;
            if (lit_end) {
                Span(lo, hi - 1, row, COLOR_BTNHIGHLIGHT);
                Span(hi, hi, row, COLOR_3DDKSHADOW);
                continue;
            }
            if (shaded_end) {
                Span(lo, hi, row, COLOR_3DDKSHADOW);
                continue;
            }
            if (lo == hi) {  // the tip
                Span(lo, lo, row,
                     shape == ThumbShape::PointsAfter ? COLOR_3DDKSHADOW : COLOR_BTNHIGHLIGHT);
                continue;
            }
            Span(lo, lo, row, COLOR_BTNHIGHLIGHT);
            Span(hi, hi, row, COLOR_3DDKSHADOW);
            if (inner_shaded_end) {
                Span(lo + 1, hi - 1, row, COLOR_BTNSHADOW);
                continue;
            }
            if (hi - 1 > lo) Span(hi - 1, hi - 1, row, COLOR_BTNSHADOW);
            Face(lo + 1, hi - 2, row, dithered);
        }
    }

  private:
    void Span(int from, int to, int row, int color) {
        if (to < from) return;
        RECT rect = layout_.ToClient(from, row, to + 1, row + 1);
        FillRect(dc_, &rect, GetSysColorBrush(color));
    }

    // A pressed or disabled thumb shows the classic checkered face.
    void Face(int from, int to, int row, bool dithered) {
        Span(from, to, row, COLOR_BTNFACE);
        if (!dithered) return;
        COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
        for (int along = from + ((from + row) & 1); along <= to; along += 2) {
            POINT pt = layout_.ToClient(along, row);
            SetPixelV(dc_, pt.x, pt.y, light);
        }
    }

    HDC dc_;
    const TrackbarLayout& layout_;
};

}  // namespace

void PaintTrackbar(HDC dc, const RECT& client, const TrackbarLayout& layout,
                   const TrackbarModel& model, DWORD style, const TrackbarLook& look) {
    RECT channel = layout.Channel();
    DrawEdge(dc, &channel, EDGE_SUNKEN, BF_RECT);

    HBRUSH tick_brush = GetSysColorBrush(look.enabled ? COLOR_BTNTEXT : COLOR_BTNSHADOW);
    for (const RECT& tick : layout.Ticks(model, style)) FillRect(dc, &tick, tick_brush);

    ThumbPainter(dc, layout)
        .Paint(layout.CentreOf(model, model.Position()), look.pressed || !look.enabled);

    if (look.focused) DrawFocusRect(dc, &client);
}

}  // namespace kmxwin::controls
