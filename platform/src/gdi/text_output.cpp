#include "gdi/text_output.h"

#include "gdi/canvas.h"
#include "gdi/font.h"
#include "text/utf_conversion.h"

#include <algorithm>

namespace kmxwin::gdi {
namespace {

RECT SurfaceRect(const Dc& dc, const RECT& logical) {
    POINT a = dc.LogicalToSurface(logical.left, logical.top);
    POINT b = dc.LogicalToSurface(logical.right, logical.bottom);
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

}  // namespace

RealizedFont& SelectedFont(Dc& dc) {
    return static_cast<Font*>(dc.state.font.get())->Realized();
}

void OutputText(Dc& dc, int x, int y, UINT options, const RECT* rect, std::u16string_view text,
                const INT* dx) {
    RealizedFont& font = SelectedFont(dc);
    const TEXTMETRICW& tm = font.metrics;
    int width = 0;
    if (dx) {
        for (size_t i = 0; i < text.size(); ++i) width += dx[i];
    } else {
        width = TextWidth(font, text);
    }
    UINT align = dc.state.text_align;
    if (align & TA_UPDATECP) {
        x = dc.state.position.x;
        y = dc.state.position.y;
    }
    int left = ClampCoordinate((align & TA_CENTER) == TA_CENTER  ? int64_t{x} - width / 2
                               : (align & TA_CENTER) == TA_RIGHT ? int64_t{x} - width
                                                                 : x);
    int top = ClampCoordinate((align & TA_BASELINE) == TA_BASELINE ? int64_t{y} - tm.tmAscent
                              : (align & TA_BASELINE) == TA_BOTTOM ? int64_t{y} - tm.tmHeight
                                                                   : y);
    if (align & TA_UPDATECP) {
        int moved = (align & TA_CENTER) == TA_CENTER  ? 0
                    : (align & TA_CENTER) == TA_RIGHT ? -width
                                                      : width;
        dc.state.position.x = ClampCoordinate(int64_t{dc.state.position.x} + moved);
    }

    Canvas canvas(dc);
    if (rect && (options & ETO_OPAQUE))
        canvas.FillRect(SurfaceRect(dc, *rect), Paint{ToPixel(dc.state.bk_color)});
    if (rect && (options & ETO_CLIPPED)) canvas.Restrict(SurfaceRect(dc, *rect));
    POINT origin = dc.LogicalToSurface(left, top);
    if (dc.state.bk_mode == OPAQUE) {
        canvas.FillRect({origin.x, origin.y, origin.x + width, origin.y + tm.tmHeight},
                        Paint{ToPixel(dc.state.bk_color)});
    }
    if (text.empty()) return;
    cairo_t* cr = canvas.BeginCairo();
    uint32_t color = ToPixel(dc.state.text_color);
    double baseline = origin.y + tm.tmAscent;
    if (!dx) {
        DrawTextRun(cr, font, origin.x, baseline, text, color);
    } else {
        int pen = origin.x;
        for (size_t i = 0; i < text.size();) {
            size_t start = i;
            text::NextCodePoint(text, &i);
            DrawTextRun(cr, font, pen, baseline, text.substr(start, i - start), color);
            for (size_t unit = start; unit < i; ++unit) pen += dx[unit];
        }
    }
    canvas.EndCairo(cr);
}

}  // namespace kmxwin::gdi
