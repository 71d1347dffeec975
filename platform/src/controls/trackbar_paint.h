// Drawing a trackbar in the classic look: a sunken channel, tick marks and
// a raised thumb that points at its ticks.
#pragma once

#include "controls/trackbar_layout.h"
#include "controls/trackbar_model.h"

#include <windows.h>

namespace kmxwin::controls {

struct TrackbarLook {
    bool focused = false;
    bool enabled = true;
    bool pressed = false;  // the thumb is being dragged
};

// Paints everything but the background into DC; CLIENT is the control's
// client rectangle.
void PaintTrackbar(HDC dc, const RECT& client, const TrackbarLayout& layout,
                   const TrackbarModel& model, DWORD style, const TrackbarLook& look);

}  // namespace kmxwin::controls
