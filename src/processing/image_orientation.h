// Flip and mirror done by the library on 24-bit RGB client frames, for
// cameras that leave them to the library (the camera's image set, ids 1 and
// 2), as the settings kept in memory for the frame path say.
#pragma once

#include <windows.h>

#include "processing/pipeline_state.h"

namespace kmx {

// Turns a 24-bit image of WIDTH x HEIGHT pixels in place: FLIP swaps top and
// bottom, MIRROR left and right. SCRATCH takes one row of the image.
void OrientImage(BYTE* image, DWORD width, DWORD height, bool flip, bool mirror, BYTE* scratch);

// Takes hold of the camera's settings when it leaves them to the library,
// and sets the scratch up for frames of the client's size. Without memory
// for the scratch, frames are left as they come.
void OrientationOpen(PipelineState& state);
// Applies the settings to a finished client frame of the client's size.
void OrientFrame(PipelineState& state, BYTE* frame);
// Lets the settings go and frees the scratch.
void OrientationClose(PipelineState& state);

}  // namespace kmx
