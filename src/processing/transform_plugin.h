// The transform plug-in named by the machine's "Transform DLL" setting: it is
// handed every finished client frame and may change it in place. A plug-in
// that lacks one of its three exports, or does not answer the greeting with
// its acceptance, is unloaded at once and capture goes on without it.
#pragma once

#include <windows.h>

#include <kmxrecords/camera_commands.h>

#include "processing/pipeline_state.h"

namespace kmx {

// Loads and greets the plug-in for frames of CLIENT format; the transform
// stays inactive when none is set or it is refused.
void TransformLoad(PipelineState& state, const FormatRecord& client);
// Hands the plug-in the finished frame (SIZE bytes at FRAME).
void TransformFrame(PipelineState& state, DWORD size, BYTE* frame);
// Terminates and unloads an active plug-in.
void TransformUnload(PipelineState& state);

}  // namespace kmx
