// Putting text on a DC, as ExtTextOut does; DrawText builds on it.
#pragma once

#include "gdi/device_context.h"
#include "gdi/font_mapper.h"

#include <string_view>

namespace kmxwin::gdi {

// The realised form of the font selected into DC.
RealizedFont& SelectedFont(Dc& dc);

// Draws TEXT at logical (X, Y) with the DC's font, text alignment, colours
// and background mode; OPTIONS and RECT as ExtTextOut takes them (ETO_OPAQUE
// fills RECT with the background colour, ETO_CLIPPED keeps the text in it);
// DX, when given, the advance after each character.
void OutputText(Dc& dc, int x, int y, UINT options, const RECT* rect, std::u16string_view text,
                const INT* dx);

}  // namespace kmxwin::gdi
