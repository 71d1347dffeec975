// Draws a line of text (digits, '-', ':' and spaces) in white on a black
// box into the top left corner of a frame, as the viewer sees it, in any
// of the frame layouts the pipeline hands out.
#pragma once

#include <kmx512u/kmxtransform.h>

#include <cstdint>
#include <string_view>

namespace kmxstamp {

// True when FORMAT is a layout the overlay can draw into and SIZE holds
// the whole image.
bool CanDraw(const KMXTransformFormat& format, uint32_t size);

// Draws TEXT into FRAME, which CanDraw accepted. The text grows with the
// frame's height and is cut off at its edges.
void DrawText(const KMXTransformFormat& format, uint8_t* frame, std::string_view text);

}  // namespace kmxstamp
