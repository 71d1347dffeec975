// The process's Pango font map and context, set up once: only the faces
// this platform ships, grey-scale smoothing, no hinting, advances rounded to
// whole pixels. Used under the GDI lock only.
#pragma once

#include <pango/pango.h>

namespace kmxwin::gdi {

PangoFontMap* FontMap();
PangoContext* FontContext();

}  // namespace kmxwin::gdi
