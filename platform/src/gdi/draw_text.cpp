// DrawText: formatted text in a rectangle — lines, word breaks, alignment,
// the '&' mnemonic prefix, tab expansion and end ellipses — drawn with the
// DC's font, colours and background mode.
#include "gdi/canvas.h"
#include "gdi/text_output.h"
#include "text/ansi_code_page.h"
#include "text/utf_conversion.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace kmxwin::gdi;

namespace {

constexpr int kTabStopCharacters = 8;

// One line as it is drawn: its characters and which of them are underlined.
struct Line {
    std::u16string text;
    std::vector<bool> underlined;
};

// Lays out lines in one font: character positions with tab stops.
class LineMeasure {
  public:
    LineMeasure(RealizedFont& font, bool expand_tabs)
        : font_(font),
          tab_width_(expand_tabs ? kTabStopCharacters * font.metrics.tmAveCharWidth : 0) {}

    // The offset of each character from the line's start, and the width.
    std::vector<int> Positions(std::u16string_view text) const {
        std::vector<int> positions(text.size() + 1, 0);
        int x = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            positions[i] = x;
            if (text[i] == u'\t' && tab_width_ > 0) {
                x = (x / tab_width_ + 1) * tab_width_;
            } else if (text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
                // the second half of a pair is measured with the first
            } else {
                size_t j = i;
                x += CharAdvance(font_, kmxwin::text::NextCodePoint(text, &j));
            }
        }
        positions[text.size()] = x;
        return positions;
    }

    int Width(std::u16string_view text) const { return Positions(text).back(); }

  private:
    RealizedFont& font_;
    int tab_width_;
};

// Takes the prefix characters out of TEXT: "&x" underlines x, "&&" is "&".
Line StripPrefixes(std::u16string_view text, UINT format) {
    Line line;
    for (size_t i = 0; i < text.size(); ++i) {
        bool underline = false;
        if (!(format & DT_NOPREFIX) && text[i] == u'&') {
            if (++i == text.size()) break;
            underline = text[i] != u'&' && !(format & DT_HIDEPREFIX);
        }
        line.text.push_back(text[i]);
        line.underlined.push_back(underline);
    }
    return line;
}

Line Slice(const Line& line, size_t start, size_t end) {
    return {line.text.substr(start, end - start),
            std::vector<bool>(line.underlined.begin() + start, line.underlined.begin() + end)};
}

// Breaks PARAGRAPH into lines no wider than WIDTH, between words where it
// can, inside a word that is wider than a line on its own.
void BreakWords(const Line& paragraph, int width, const LineMeasure& measure,
                std::vector<Line>* lines) {
    std::vector<int> x = measure.Positions(paragraph.text);
    size_t start = 0, n = paragraph.text.size();
    while (true) {
        if (x[n] - x[start] <= width) {
            lines->push_back(Slice(paragraph, start, n));
            return;
        }
        size_t end = start + 1;  // past the last character that fits
        while (end < n && x[end + 1] - x[start] <= width) ++end;
        size_t cut = end;
        for (size_t i = end; i > start; --i) {
            if (paragraph.text[i] == u' ') {
                cut = i;
                break;
            }
        }
        lines->push_back(Slice(paragraph, start, cut));
        start = cut;
        while (start < n && paragraph.text[start] == u' ') ++start;
        if (start == n) return;
    }
}

// Shortens LINE to fit WIDTH with "..." at its end.
void AddEllipsis(Line& line, int width, const LineMeasure& measure) {
    if (measure.Width(line.text) <= width) return;
    int dots = measure.Width(u"...");
    std::vector<int> x = measure.Positions(line.text);
    size_t keep = line.text.size();
    while (keep > 0 && x[keep] + dots > width) --keep;
    line.text = line.text.substr(0, keep) + u"...";
    line.underlined.resize(keep);
    line.underlined.resize(keep + 3, false);
}

std::vector<Line> MakeLines(std::u16string_view text, UINT format, int width,
                            const LineMeasure& measure) {
    std::vector<Line> lines;
    Line all = StripPrefixes(text, format);
    std::vector<Line> paragraphs;
    if (format & DT_SINGLELINE) {
        paragraphs.push_back(all);
    } else {
        size_t start = 0;
        for (size_t i = 0; i <= all.text.size(); ++i) {
            if (i < all.text.size() && all.text[i] != u'\r' && all.text[i] != u'\n') continue;
            paragraphs.push_back(Slice(all, start, i));
            if (i + 1 < all.text.size() && all.text[i] == u'\r' && all.text[i + 1] == u'\n') ++i;
            start = i + 1;
        }
    }
    for (const Line& paragraph : paragraphs) {
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE)) {
            BreakWords(paragraph, width, measure, &lines);
        } else {
            lines.push_back(paragraph);
        }
    }
    if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS))
        for (Line& line : lines) AddEllipsis(line, width, measure);
    return lines;
}

// Draws LINE with its left end at logical (X, Y): the text (in tab-stop
// pieces) unless only prefixes are wanted, then the underlines.
void DrawLine(Dc& dc, const Line& line, int x, int y, const RECT* clip, UINT format,
              const LineMeasure& measure) {
    RealizedFont& font = SelectedFont(dc);
    std::vector<int> positions = measure.Positions(line.text);
    UINT options = clip ? ETO_CLIPPED : 0;
    if (!(format & DT_PREFIXONLY)) {
        size_t start = 0;
        for (size_t i = 0; i <= line.text.size(); ++i) {
            if (i < line.text.size() && line.text[i] != u'\t') continue;
            if (i > start) {
                OutputText(dc, x + positions[start], y, options, clip,
                           std::u16string_view(line.text).substr(start, i - start), nullptr);
            }
            start = i + 1;
        }
    }
    Canvas canvas(dc);
    if (clip) {
        POINT a = dc.LogicalToSurface(clip->left, clip->top);
        POINT b = dc.LogicalToSurface(clip->right, clip->bottom);
        canvas.Restrict({a.x, a.y, b.x, b.y});
    }
    Paint ink{ToPixel(dc.state.text_color)};
    for (size_t i = 0; i < line.text.size(); ++i) {
        if (!line.underlined[i]) continue;
        POINT p = dc.LogicalToSurface(x + positions[i], y + font.metrics.tmAscent + 1);
        canvas.FillRect({p.x, p.y, p.x + positions[i + 1] - positions[i], p.y + 1}, ink);
    }
}

int FormatText(HDC hdc, std::u16string_view text, LPRECT rect, UINT format) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc) return 0;
    RealizedFont& font = SelectedFont(*dc);
    LineMeasure measure(font, format & DT_EXPANDTABS);
    int line_height = font.metrics.tmHeight +
                      ((format & DT_EXTERNALLEADING) ? font.metrics.tmExternalLeading : 0);
    int width = ClampCoordinate(int64_t{rect->right} - rect->left);
    std::vector<Line> lines = MakeLines(text, format, width, measure);
    int height = static_cast<int>(lines.size()) * line_height;

    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const Line& line : lines) widest = std::max(widest, measure.Width(line.text));
        rect->right = ClampCoordinate(int64_t{rect->left} + widest);
        rect->bottom = ClampCoordinate(int64_t{rect->top} + height);
        return height;
    }
    int top = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) {
            top =
                ClampCoordinate(rect->top + (int64_t{rect->bottom} - rect->top - line_height) / 2);
        } else if (format & DT_BOTTOM) {
            top = ClampCoordinate(int64_t{rect->bottom} - line_height);
        }
    }
    // The text is put down from its top-left corner whatever the DC's
    // text alignment says.
    UINT align = dc->state.text_align;
    dc->state.text_align = TA_LEFT | TA_TOP | TA_NOUPDATECP;
    const RECT* clip = (format & DT_NOCLIP) ? nullptr : rect;
    int y = top;
    for (const Line& line : lines) {
        int line_width = measure.Width(line.text);
        int64_t x = (format & DT_CENTER)  ? rect->left + (int64_t{width} - line_width) / 2
                    : (format & DT_RIGHT) ? int64_t{rect->right} - line_width
                                          : rect->left;
        DrawLine(*dc, line, ClampCoordinate(x), y, clip, format, measure);
        y = ClampCoordinate(int64_t{y} + line_height);
    }
    dc->state.text_align = align;
    return (format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM))
               ? ClampCoordinate(int64_t{top} - rect->top + line_height)
               : height;
}

}  // namespace

extern "C" {

int WINAPI DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    if (!lpchText || !lprc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string_view text =
        cchText < 0 ? std::u16string_view(lpchText) : std::u16string_view(lpchText, cchText);
    return FormatText(hdc, text, lprc, format);
}

int WINAPI DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    if (!lpchText || !lprc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t length = cchText < 0 ? std::strlen(lpchText) : static_cast<size_t>(cchText);
    std::u16string text = kmxwin::text::AnsiToUtf16(std::string_view(lpchText, length));
    return FormatText(hdc, text, lprc, format);
}

}  // extern "C"
