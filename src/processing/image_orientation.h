// Flip and mirror done by the library on 24-bit RGB client frames, for
// cameras that leave them to the library (the camera's image set, ids 1 and
// 2). The settings are read when the pipeline opens and again at most twice
// a second while frames flow, so that a change made in the settings pages
// shows within half a second without a camera request on every frame.
#pragma once

#include <windows.h>

#include "processing/pipeline_state.h"

namespace kmx {

// How long read settings are used before they are read again.
inline constexpr DWORD kOrientationRefreshMs = 500;

// Turns a 24-bit image of WIDTH x HEIGHT pixels in place: FLIP swaps top and
// bottom, MIRROR left and right. SCRATCH takes one row of the image.
void OrientImage(BYTE* image, DWORD width, DWORD height, bool flip, bool mirror, BYTE* scratch);

// Finds which of the two settings the camera answers, with their values, and
// sets the scratch up for frames of the client's size. Without memory for the
// scratch, frames are left as they come.
void OrientationOpen(PipelineState& state);
// Applies the settings to a finished client frame of the client's size,
// reading them again when they are due.
void OrientFrame(PipelineState& state, BYTE* frame);
// Frees the scratch.
void OrientationClose(PipelineState& state);

}  // namespace kmx
