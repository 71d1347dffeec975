// The system colours: the classic "Windows Standard" scheme.
#pragma once

#include "gdi/drawing_objects.h"

namespace kmxwin::gdi {

// The brush of system colour INDEX (owned by the system), or nullptr.
Brush* SystemColorBrush(int index);

// The brush a FillRect-style argument names: a brush handle, or a system
// colour index plus one cast to HBRUSH. nullptr with ERROR_INVALID_HANDLE.
Brush* BrushArgument(HBRUSH hbr);

}  // namespace kmxwin::gdi
