#include "processing/transform_plugin.h"

#include "processing/module_entry.h"
#include "support/registry_key.h"

namespace kmx {
namespace {

constexpr char kTransformValue[] = "Transform DLL";
constexpr DWORD kTransformPathCapacity = 260;  // 259 characters and the terminator

void Clear(PipelineState& state) {
    state.transform_active = 0;
    state.transform_module = nullptr;
    state.initialise = nullptr;
    state.transform = nullptr;
    state.terminate = nullptr;
    state.transform_format = {};
}

}  // namespace

void TransformLoad(PipelineState& state, const FormatRecord& client) {
    char path[kTransformPathCapacity] = {};
    {
        RegistryKey key(HKEY_LOCAL_MACHINE, kSettingsKeyPath, false, true);
        if (!key.QueryString(kTransformValue, path, sizeof path)) return;
    }
    HMODULE module = LoadLibraryA(path);
    if (!module) return;
    state.transform_module = module;
    state.initialise = ModuleEntry<KMXTRANSFORM_INITIALISE>(module, "Initialise");
    state.transform = ModuleEntry<KMXTRANSFORM_TRANSFORM>(module, "Transform");
    state.terminate = ModuleEntry<KMXTRANSFORM_TERMINATE>(module, "Terminate");
    if (state.initialise && state.transform && state.terminate &&
        state.initialise(KMXTRANSFORM_GREETING) == KMXTRANSFORM_ACCEPTED) {
        state.transform_format = {client.compression, client.bits_per_pixel, client.width,
                                  client.height};
        state.transform_active = 1;
        return;
    }
    FreeLibrary(module);
    Clear(state);
}

void TransformFrame(PipelineState& state, DWORD size, BYTE* frame) {
    if (state.transform_active) state.transform(&state.transform_format, size, frame);
}

void TransformUnload(PipelineState& state) {
    if (!state.transform_active) return;
    state.terminate();
    FreeLibrary(state.transform_module);
    Clear(state);
}

}  // namespace kmx
