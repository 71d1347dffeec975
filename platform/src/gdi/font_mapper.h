// From a LOGFONT to a face Pango draws with, and the text metrics GDI
// reports for it. Fonts are the free TrueType faces this platform ships
// with (Liberation Sans, Serif and Mono, with DejaVu Sans for characters
// they lack), loaded through a private fontconfig setup so that neither a
// user's font settings nor other installed fonts change what is drawn.
//
// Metrics follow Windows' rules for TrueType fonts: a negative lfHeight is
// the character (em) height, a positive one the cell height; tmAscent and
// tmDescent come from the face's Windows ascent and descent; tmAveCharWidth
// is the width of "x". The dialog face ("MS Sans Serif", "MS Shell Dlg") and
// "System" stand for bitmap fonts: they take those fonts' proportions of
// ascent and descent to em, and their glyphs are scaled so that the average
// width of the alphabet, from which dialog units are computed, is theirs.
#pragma once

#include <pango/pango.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

typedef struct _cairo cairo_t;

namespace kmxwin::gdi {

struct RealizedFont {
    ~RealizedFont();
    PangoFontDescription* description = nullptr;
    TEXTMETRICW metrics{};
    std::u16string face;  // as GetTextFace reports it
    bool underline = false;
    bool strikeout = false;
    std::unordered_map<char32_t, int> advances;  // filled as characters are measured
};

// The realised form of FONT; fonts with the same description share one.
std::shared_ptr<RealizedFont> RealizeFont(const LOGFONTW& font);

// The advance width of one character; control characters have none.
int CharAdvance(RealizedFont& font, char32_t character);

// The width of TEXT: the sum of its characters' advances (no kerning, as in
// GDI).
int TextWidth(RealizedFont& font, std::u16string_view text);

// Draws TEXT in PIXEL (0x00RRGGBB) with the left end of its baseline at
// (X, BASELINE), underlined or struck out as the font says.
void DrawTextRun(cairo_t* cr, RealizedFont& font, double x, double baseline,
                 std::u16string_view text, uint32_t pixel);

}  // namespace kmxwin::gdi
