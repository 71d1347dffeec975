// The frame pipeline's state for one opened camera: what the camera's frames
// are decoded to, the scaler and the transform plug-in, and the camera
// handle through which the pipeline reads the library-side picture settings.
// Owned by the capture driver's device record, zeroed before first use;
// every field is zero again after PipelineClose.
#pragma once

#include <windows.h>

#include <kmx512u/kmxpi.h>
#include <kmx512u/kmxscale.h>
#include <kmx512u/kmxtransform.h>
#include <kmx512u/pegasus_record.h>

namespace kmx {

struct ScalerInstance;
struct LibraryOrientation;

struct PipelineState {
    // The decoder's output format.
    DWORD target_compression;
    DWORD target_bits;
    DWORD pass_through;  // 1: camera frames are copied unchanged
    HMODULE codec_module;
    PEGASUS_ENTRY codec_entry;
    PEGASUS_QUERY_ENTRY codec_query_entry;
    DWORD decoded_size;  // the exact size the decoder produces

    // Rescaling of the decoded image to the client's size.
    DWORD scaling;
    ScalerInstance* scaler;
    BYTE* intermediate;  // the decoded image before scaling
    DWORD intermediate_size;
    DWORD client_width;
    DWORD client_height;

    // The transform plug-in, handed every finished frame.
    DWORD transform_active;
    HMODULE transform_module;
    KMXTRANSFORM_INITIALISE initialise;
    KMXTRANSFORM_TRANSFORM transform;
    KMXTRANSFORM_TERMINATE terminate;
    KMXTransformFormat transform_format;

    DWORD connection_id;
    KMXSCALE_HANDLE scaler_handle;
    KMXPI_HANDLE camera;

    // Flip and mirror done by the library (by the codec as it writes the
    // rows) on 24-bit RGB output: the camera's settings, held while open
    // when it leaves them to the library.
    LibraryOrientation* orientation;
};

}  // namespace kmx
