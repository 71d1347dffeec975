#include "gdi/font_mapper.h"

#include "gdi/font_library.h"
#include "gdi/screen_metrics.h"
#include "text/utf_conversion.h"

#include <hb-ot.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace kmxwin::gdi {
namespace {

// How a face's metrics are had.
struct Proportions {
    double ascent;       // per em
    double descent;      // per em
    double glyph_scale;  // glyph size per em
};

// "MS Sans Serif" 8 pt at 96 DPI: em 11, ascent 11, descent 2, so a cell of
// 13 pixels; Liberation Sans at 10.5 pixels has its alphabet's average
// width, 6 pixels, and "x" 5 pixels wide: the dialog base units 6 x 13.
constexpr Proportions kDialogSans = {11.0 / 11.0, 2.0 / 11.0, 10.5 / 11.0};
// "System": em 13, ascent 13, descent 3; bold, alphabet 8 pixels on
// average, "x" 7 pixels: the system base units 8 x 16.
constexpr Proportions kSystem = {13.0 / 13.0, 3.0 / 13.0, 1.0};

struct Face {
    const char16_t* name;
    const char* family;
    const Proportions* proportions;  // null: the face's own metrics
    BYTE pitch_and_family;           // TMPF_* and FF_* as tmPitchAndFamily gives them
    LONG default_cell;               // the cell height for lfHeight 0
};

constexpr BYTE kVariableTrueType = TMPF_FIXED_PITCH | TMPF_VECTOR | TMPF_TRUETYPE;
constexpr BYTE kFixedTrueType = TMPF_VECTOR | TMPF_TRUETYPE;

constexpr Face kFaces[] = {
    {u"MS Sans Serif", "Liberation Sans", &kDialogSans, TMPF_FIXED_PITCH | FF_SWISS, 13},
    {u"MS Shell Dlg", "Liberation Sans", &kDialogSans, TMPF_FIXED_PITCH | FF_SWISS, 13},
    {u"MS Shell Dlg 2", "Liberation Sans", &kDialogSans, TMPF_FIXED_PITCH | FF_SWISS, 13},
    {u"Microsoft Sans Serif", "Liberation Sans", &kDialogSans, TMPF_FIXED_PITCH | FF_SWISS, 13},
    {u"Helv", "Liberation Sans", &kDialogSans, TMPF_FIXED_PITCH | FF_SWISS, 13},
    {u"System", "Liberation Sans", &kSystem, TMPF_FIXED_PITCH | FF_SWISS, 16},
    {u"Arial", "Liberation Sans", nullptr, kVariableTrueType | FF_SWISS, 16},
    {u"Helvetica", "Liberation Sans", nullptr, kVariableTrueType | FF_SWISS, 16},
    {u"Tahoma", "Liberation Sans", nullptr, kVariableTrueType | FF_SWISS, 16},
    {u"Verdana", "Liberation Sans", nullptr, kVariableTrueType | FF_SWISS, 16},
    {u"Liberation Sans", "Liberation Sans", nullptr, kVariableTrueType | FF_SWISS, 16},
    {u"Times New Roman", "Liberation Serif", nullptr, kVariableTrueType | FF_ROMAN, 16},
    {u"Times", "Liberation Serif", nullptr, kVariableTrueType | FF_ROMAN, 16},
    {u"MS Serif", "Liberation Serif", nullptr, kVariableTrueType | FF_ROMAN, 16},
    {u"Liberation Serif", "Liberation Serif", nullptr, kVariableTrueType | FF_ROMAN, 16},
    {u"Courier New", "Liberation Mono", nullptr, kFixedTrueType | FF_MODERN, 16},
    {u"Courier", "Liberation Mono", nullptr, kFixedTrueType | FF_MODERN, 13},
    {u"Fixedsys", "Liberation Mono", nullptr, kFixedTrueType | FF_MODERN, 15},
    {u"Terminal", "Liberation Mono", nullptr, kFixedTrueType | FF_MODERN, 12},
    {u"Lucida Console", "Liberation Mono", nullptr, kFixedTrueType | FF_MODERN, 16},
    {u"Liberation Mono", "Liberation Mono", nullptr, kFixedTrueType | FF_MODERN, 16},
};
constexpr const Face& kArial = kFaces[6];
constexpr const Face& kTimes = kFaces[11];
constexpr const Face& kCourierNew = kFaces[15];

char16_t Fold(char16_t c) {
    return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return Fold(x) == Fold(y); });
}

// The face for FONT: by name, else by pitch and family as Windows' font
// mapper falls back.
const Face& FindFace(const LOGFONTW& font) {
    std::u16string_view name(
        font.lfFaceName,
        std::find(font.lfFaceName, font.lfFaceName + LF_FACESIZE, u'\0') - font.lfFaceName);
    for (const Face& face : kFaces)
        if (SameName(name, face.name)) return face;
    int family = font.lfPitchAndFamily & 0xF0;
    if ((font.lfPitchAndFamily & 3) == FIXED_PITCH || family == FF_MODERN) return kCourierNew;
    if (family == FF_ROMAN) return kTimes;
    return kArial;
}

// A face's vertical metrics in pixels at one em size.
struct VerticalMetrics {
    double ascent, descent;  // the Windows ascent and descent
    double line_ascent, line_descent, line_gap;
};

VerticalMetrics MeasureFace(const PangoFontDescription* description) {
    VerticalMetrics metrics{};
    PangoFont* font = pango_font_map_load_font(FontMap(), FontContext(), description);
    if (!font) return metrics;
    hb_font_t* hb = pango_font_get_hb_font(font);
    auto get = [hb](hb_ot_metrics_tag_t tag) {
        hb_position_t position = 0;
        hb_ot_metrics_get_position(hb, tag, &position);
        return std::abs(position) / static_cast<double>(PANGO_SCALE);
    };
    metrics.ascent = get(HB_OT_METRICS_TAG_HORIZONTAL_CLIPPING_ASCENT);
    metrics.descent = get(HB_OT_METRICS_TAG_HORIZONTAL_CLIPPING_DESCENT);
    metrics.line_ascent = get(HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER);
    metrics.line_descent = get(HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER);
    metrics.line_gap = get(HB_OT_METRICS_TAG_HORIZONTAL_LINE_GAP);
    g_object_unref(font);
    return metrics;
}

void SetSize(PangoFontDescription* description, double pixels) {
    pango_font_description_set_absolute_size(description, pixels * PANGO_SCALE);
}

// A layout of TEXT in FONT, without kerning or ligatures, one line.
PangoLayout* NewLayout(const RealizedFont& font, std::u16string_view text) {
    PangoLayout* layout = pango_layout_new(FontContext());
    pango_layout_set_font_description(layout, font.description);
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_font_features_new("kern 0, liga 0, clig 0"));
    if (font.underline)
        pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font.strikeout) pango_attr_list_insert(attributes, pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(layout, attributes);
    pango_attr_list_unref(attributes);
    // Control characters are not drawn: GDI has no glyph for them here.
    std::u16string visible;
    for (char16_t unit : text)
        if (unit >= 0x20) visible.push_back(unit);
    std::string utf8 = text::Utf16ToUtf8(visible);
    pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
    return layout;
}

using FontKey = std::tuple<LONG, LONG, BYTE, BYTE, BYTE, std::u16string>;

std::shared_ptr<RealizedFont> Realize(const LOGFONTW& font) {
    const Face& face = FindFace(font);
    auto realized = std::make_shared<RealizedFont>();
    realized->face = face.name;
    realized->underline = font.lfUnderline;
    realized->strikeout = font.lfStrikeOut;
    LONG weight = face.proportions == &kSystem   ? FW_BOLD
                  : font.lfWeight == FW_DONTCARE ? FW_NORMAL
                                                 : std::clamp<LONG>(font.lfWeight, 100, 1000);
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, face.family);
    pango_font_description_set_weight(description, static_cast<PangoWeight>(weight));
    pango_font_description_set_style(description,
                                     font.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    realized->description = description;

    // The em height, from the character height or the cell height.
    double cell_per_em;
    VerticalMetrics unit{};
    if (face.proportions) {
        cell_per_em = face.proportions->ascent + face.proportions->descent;
    } else {
        SetSize(description, 1000);
        unit = MeasureFace(description);
        cell_per_em = unit.ascent + unit.descent > 0 ? (unit.ascent + unit.descent) / 1000 : 1;
    }
    LONG height = std::clamp<LONG>(font.lfHeight, -4096, 4096);
    double em = height < 0   ? -height
                : height > 0 ? height / cell_per_em
                             : face.default_cell / cell_per_em;

    TEXTMETRICW& tm = realized->metrics;
    if (face.proportions) {
        tm.tmAscent = std::lround(em * face.proportions->ascent);
        tm.tmDescent = std::lround(em * face.proportions->descent);
        SetSize(description, em * face.proportions->glyph_scale);
    } else {
        double scale = em / 1000;
        tm.tmAscent = std::lround(unit.ascent * scale);
        tm.tmDescent = std::lround(unit.descent * scale);
        double line = unit.line_ascent + unit.line_descent + unit.line_gap;
        tm.tmExternalLeading =
            std::max(0L, std::lround((line - unit.ascent - unit.descent) * scale));
        SetSize(description, em);
    }
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max(0L, tm.tmHeight - std::lround(em));
    tm.tmWeight = weight;
    tm.tmDigitizedAspectX = kScreenDpi;
    tm.tmDigitizedAspectY = kScreenDpi;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFFFC;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmItalic = font.lfItalic ? 1 : 0;
    tm.tmUnderlined = font.lfUnderline ? 1 : 0;
    tm.tmStruckOut = font.lfStrikeOut ? 1 : 0;
    tm.tmPitchAndFamily = face.pitch_and_family;
    tm.tmCharSet = font.lfCharSet == SYMBOL_CHARSET ? SYMBOL_CHARSET : ANSI_CHARSET;
    tm.tmAveCharWidth = CharAdvance(*realized, U'x');
    for (char32_t c = 0x20; c <= 0xFF; ++c) {
        if (c == 0x7F) c = 0xA0;
        tm.tmMaxCharWidth = std::max<LONG>(tm.tmMaxCharWidth, CharAdvance(*realized, c));
    }
    return realized;
}

}  // namespace

RealizedFont::~RealizedFont() {
    if (description) pango_font_description_free(description);
}

std::shared_ptr<RealizedFont> RealizeFont(const LOGFONTW& font) {
    static std::map<FontKey, std::weak_ptr<RealizedFont>> cache;
    const Face& face = FindFace(font);
    FontKey key{font.lfHeight,    font.lfWeight,    font.lfItalic,
                font.lfUnderline, font.lfStrikeOut, face.name};
    std::shared_ptr<RealizedFont> realized = cache[key].lock();
    if (!realized) {
        realized = Realize(font);
        cache[key] = realized;
    }
    return realized;
}

int CharAdvance(RealizedFont& font, char32_t character) {
    if (character < 0x20) return 0;
    auto found = font.advances.find(character);
    if (found != font.advances.end()) return found->second;
    std::u16string text;
    if (character >= 0x10000) {
        text = {static_cast<char16_t>(0xD800 + ((character - 0x10000) >> 10)),
                static_cast<char16_t>(0xDC00 + ((character - 0x10000) & 0x3FF))};
    } else {
        text = {static_cast<char16_t>(character)};
    }
    PangoLayout* layout = NewLayout(font, text);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    g_object_unref(layout);
    int advance = PANGO_PIXELS(logical.width);
    font.advances.emplace(character, advance);
    return advance;
}

int TextWidth(RealizedFont& font, std::u16string_view text) {
    int width = 0;
    for (size_t i = 0; i < text.size();) width += CharAdvance(font, text::NextCodePoint(text, &i));
    return width;
}

void DrawTextRun(cairo_t* cr, RealizedFont& font, double x, double baseline,
                 std::u16string_view text, uint32_t pixel) {
    PangoLayout* layout = NewLayout(font, text);
    cairo_set_source_rgb(cr, ((pixel >> 16) & 0xFF) / 255.0, ((pixel >> 8) & 0xFF) / 255.0,
                         (pixel & 0xFF) / 255.0);
    cairo_move_to(cr, x, baseline);
    pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(layout, 0));
    g_object_unref(layout);
}

}  // namespace kmxwin::gdi
