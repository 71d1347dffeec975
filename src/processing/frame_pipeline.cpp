#include "processing/frame_pipeline.h"

#include "api/library_orientation.h"
#include "debug/debug_flags.h"
#include "processing/client_formats.h"
#include "processing/frame_decoding.h"
#include "processing/module_entry.h"
#include "processing/scaler_loader.h"
#include "processing/transform_plugin.h"

#include <cstring>
#include <new>

namespace kmx {
namespace {

DWORD ImageBytes(const FormatRecord& format) {
    return DWORD(format.width) * format.height * format.bits_per_pixel / 8;
}

// The format the decoder produces for CLIENT from CAMERA frames: the client's
// own, except for 24-bit RGB, which is decoded at the camera's size and
// scaled when the sizes differ. False when CAMERA gives no 24-bit RGB.
bool TargetFormat(const FormatRecord& client, const FormatRecord& camera, FormatRecord* target) {
    if (!IsRgb24(client)) {
        *target = client;
        return true;
    }
    FormatDescriptor native{};
    native.format = camera;
    for (int kind = 0; kind < kDerivedFormatCount; ++kind) {
        FormatDescriptor derived;
        if (DeriveFormat(native, kind, &derived) && IsRgb24(derived.format)) {
            *target = derived.format;
            return true;
        }
    }
    return false;
}

bool OpenScaler(PipelineState& state, const FormatRecord& target, const FormatRecord& client) {
    state.scaling = 1;
    state.scaler = ScalerLoad(nullptr);
    if (!state.scaler || !ScalerResolveEntries(*state.scaler)) {
        RecordUserModeError(kScalerLoadError);
        return false;
    }
    state.intermediate = new (std::nothrow) BYTE[target.image_size];
    if (!state.intermediate) return false;
    state.intermediate_size = target.image_size;
    return EntryAs<KMXSCALE_HANDLE_OPEN>(state.scaler->handle_open)(
               &state.scaler_handle, target.width, target.height, client.width, client.height) ==
           KMXSCALE_OK;
}

bool OpenCodec(PipelineState& state, const FormatRecord& target, const FormatRecord& camera) {
    if (target.compression == camera.compression &&
        target.bits_per_pixel == camera.bits_per_pixel) {
        state.pass_through = 1;
        state.decoded_size = 0;
        return true;
    }
    state.pass_through = 0;
    // The size the codec writes, whatever image size the client's record
    // states: a buffer of any other size cannot take a decoded frame.
    state.decoded_size = ImageBytes(target);
    state.codec_module = LoadLibraryA(kCodecLibrary);
    if (state.codec_module) {
        state.codec_entry = ModuleEntry<PEGASUS_ENTRY>(state.codec_module, "Pegasus");
        state.codec_query_entry =
            ModuleEntry<PEGASUS_QUERY_ENTRY>(state.codec_module, "PegasusQuery");
    }
    if (!state.codec_entry || !state.codec_query_entry) {
        RecordUserModeError(kCodecLoadError);
        return false;
    }
    state.target_bits = target.bits_per_pixel;
    state.target_compression = target.compression;
    return true;
}

// Everything the state holds, released; the state is zero again.
void Release(PipelineState& state) {
    if (state.camera) KMXPI_HandleClose(&state.camera);
    if (state.scaler_handle)
        EntryAs<KMXSCALE_HANDLE_CLOSE>(state.scaler->handle_close)(&state.scaler_handle);
    if (state.scaler) ScalerUnload(state.scaler);
    delete[] state.intermediate;
    TransformUnload(state);
    ReleaseOrientation(state.orientation);
    if (state.codec_module) FreeLibrary(state.codec_module);
    std::memset(&state, 0, sizeof state);
}

// How the codec is to turn the frame, as the camera's library-side settings
// last read or written say: from memory, never from the camera.
DWORD Orientation(const PipelineState& state) {
    if (!state.orientation) return 0;
    DWORD settings = OrientationNow(*state.orientation);
    return (settings & kOrientationFlip ? PEGASUS_ORIENT_FLIP : 0) |
           (settings & kOrientationMirror ? PEGASUS_ORIENT_MIRROR : 0);
}

// Decodes or copies the camera frame into SIZE bytes at OUT.
bool Decode(PipelineState& state, DWORD length, const BYTE* frame, DWORD size, BYTE* out) {
    if (state.pass_through) {
        if (length > size) {
            RecordUserModeError(kFrameSizeError);
            return false;
        }
        if (length) std::memcpy(out, frame, length);
        return true;
    }
    if (size != state.decoded_size) {
        RecordUserModeError(kFrameSizeError);
        return false;
    }
    if (DecodeCameraFrame(state.codec_entry, state.codec_query_entry, frame, length,
                          state.target_bits, state.target_compression, Orientation(state), out,
                          size) != 0) {
        RecordUserModeError(kCodecFrameError);
        return false;
    }
    return true;
}

}  // namespace

int PipelineOpen(CameraConnection& connection, PipelineState& state, const FormatRecord& client,
                 const FormatRecord& camera) {
    std::memset(&state, 0, sizeof state);
    ConnectionIdentity(connection, &state.connection_id, nullptr, nullptr);
    FormatRecord target;
    bool opened = TargetFormat(client, camera, &target);
    if (opened && (target.width != client.width || target.height != client.height))
        opened = OpenScaler(state, target, client);
    opened = opened && KMXPI_HandleOpen(state.connection_id, &state.camera) == KMXPI_STATUS_SUCCESS;
    if (opened) {
        state.client_width = client.width;
        state.client_height = client.height;
        opened = OpenCodec(state, target, camera);
    }
    if (!opened) {
        Release(state);
        return 0;
    }
    TransformLoad(state, client);
    // The decoder turns 24-bit RGB itself when the camera leaves it to the
    // library; the settings are read now, and never on the frame path.
    if (IsRgb24(client)) state.orientation = AcquireOrientation(state.connection_id);
    return 1;
}

DWORD PipelineProcess(PipelineState& state, DWORD length, const BYTE* frame, DWORD capacity,
                      BYTE* buffer) {
    if (!state.pass_through && !state.codec_entry) return 0;  // not open
    if (!buffer || (!frame && length)) {
        RecordUserModeError(kFrameSizeError);
        return 0;
    }
    if (state.scaling) {
        // Checked before the decode, which would be wasted on a buffer the
        // scaled image cannot fill.
        if (capacity != state.client_width * state.client_height * 3) {
            RecordUserModeError(kFrameSizeError);
            return 0;
        }
        if (!Decode(state, length, frame, state.intermediate_size, state.intermediate) ||
            EntryAs<KMXSCALE_PROCESS>(state.scaler->process)(
                &state.scaler_handle, state.intermediate, state.intermediate_size, buffer,
                capacity) != KMXSCALE_OK)
            return 0;
    } else if (!Decode(state, length, frame, capacity, buffer)) {
        return 0;
    }
    TransformFrame(state, capacity, buffer);
    return state.pass_through ? length : capacity;
}

void PipelineClose(PipelineState& state) {
    if (state.scaling && state.connection_id && state.camera) {
        DWORD size[2] = {state.client_width, state.client_height};
        KMXPI_PropertySet(state.camera, &KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_IMAGE_SIZE, sizeof size,
                          size);
    }
    Release(state);
}

}  // namespace kmx
