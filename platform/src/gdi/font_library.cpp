#include "gdi/font_library.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

namespace kmxwin::gdi {
namespace {

// The families drawn with, in the order fallback tries them.
constexpr const char* kShippedFamilies[] = {"Liberation Sans", "Liberation Serif",
                                            "Liberation Mono", "DejaVu Sans"};

// A fontconfig configuration holding just the shipped faces, found through
// the system's configuration, and none of its or the user's rules.
FcConfig* PrivateConfig() {
    FcConfig* system = FcInitLoadConfigAndFonts();
    FcConfig* config = FcConfigCreate();
    for (const char* family : kShippedFamilies) {
        FcPattern* pattern =
            FcPatternBuild(nullptr, FC_FAMILY, FcTypeString, family, static_cast<char*>(nullptr));
        FcObjectSet* objects = FcObjectSetBuild(FC_FILE, static_cast<char*>(nullptr));
        FcFontSet* fonts = FcFontList(system, pattern, objects);
        for (int i = 0; fonts && i < fonts->nfont; ++i) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) == FcResultMatch)
                FcConfigAppFontAddFile(config, file);
        }
        if (fonts) FcFontSetDestroy(fonts);
        FcObjectSetDestroy(objects);
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(system);
    return config;
}

struct Library {
    PangoFontMap* map;
    PangoContext* context;
};

Library& TheLibrary() {
    static Library library = [] {
        PangoFontMap* map = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
        FcConfig* config = PrivateConfig();
        pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(map), config);
        FcConfigDestroy(config);  // the font map keeps its own reference
        PangoContext* context = pango_font_map_create_context(map);
        pango_context_set_language(context, pango_language_from_string("en"));
        pango_context_set_round_glyph_positions(context, TRUE);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
        pango_cairo_context_set_font_options(context, options);
        cairo_font_options_destroy(options);
        return Library{map, context};
    }();
    return library;
}

}  // namespace

PangoFontMap* FontMap() {
    return TheLibrary().map;
}

PangoContext* FontContext() {
    return TheLibrary().context;
}

}  // namespace kmxwin::gdi
