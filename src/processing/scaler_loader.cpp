#include "processing/scaler_loader.h"

#include "processing/module_entry.h"

#include <mutex>
#include <new>

namespace kmx {
namespace {

// The current instance. The lock is held across a forwarded call as well, so
// that no thread unloads the instance under a call in progress.
std::mutex g_current_lock;
ScalerInstance* g_current = nullptr;

FARPROC& Resolved(ScalerInstance& instance, FARPROC ScalerInstance::*entry, LPCSTR name) {
    FARPROC& slot = instance.*entry;
    if (slot == kScalerUnresolved) slot = GetProcAddress(instance.module, name);
    return slot;
}

template <class F, class... Args>
DWORD Forward(FARPROC ScalerInstance::*entry, LPCSTR name, Args... args) {
    std::lock_guard guard(g_current_lock);
    if (!g_current || !g_current->module) return kScalerUnreachable;
    FARPROC& slot = Resolved(*g_current, entry, name);
    if (!slot) {
        slot = kScalerUnresolved;  // the next call looks again
        return kScalerUnreachable;
    }
    return EntryAs<F>(slot)(args...);
}

}  // namespace

ScalerInstance* ScalerLoad(LPCSTR path) {
    auto* instance = new (std::nothrow) ScalerInstance;
    if (!instance) return nullptr;
    instance->handle_open = instance->handle_close = instance->process = kScalerUnresolved;
    instance->set_param = instance->get_param = kScalerUnresolved;
    instance->module = LoadLibraryA(path ? path : kScalerLibrary);
    if (!instance->module) {
        delete instance;
        return nullptr;
    }
    std::lock_guard guard(g_current_lock);
    g_current = instance;
    return instance;
}

int ScalerUnload(ScalerInstance* instance) {
    {
        std::lock_guard guard(g_current_lock);
        if (!instance) instance = g_current;
        if (!instance) return 0;
        if (instance == g_current) g_current = nullptr;
    }
    if (!instance->module) return 0;
    FreeLibrary(instance->module);
    delete instance;
    return 1;
}

int ScalerSelect(ScalerInstance* instance) {
    if (!instance || !instance->module) return 0;
    std::lock_guard guard(g_current_lock);
    g_current = instance;
    return 1;
}

int ScalerHasEntry(LPCSTR name) {
    std::lock_guard guard(g_current_lock);
    if (!g_current || !g_current->module) return 0;
    return GetProcAddress(g_current->module, name) ? 1 : 0;
}

int ScalerResolveEntries(ScalerInstance& instance) {
    if (!instance.module) return 0;
    instance.handle_open = GetProcAddress(instance.module, "KMXScaleHandleOpen");
    instance.handle_close = GetProcAddress(instance.module, "KMXScaleHandleClose");
    instance.process = GetProcAddress(instance.module, "KMXScaleProcess");
    instance.set_param = GetProcAddress(instance.module, "KMXScaleSetParam");
    instance.get_param = GetProcAddress(instance.module, "KMXScaleGetParam");
    return instance.handle_open && instance.handle_close && instance.process &&
                   instance.set_param && instance.get_param
               ? 1
               : 0;
}

int ScalerResolveAll() {
    std::lock_guard guard(g_current_lock);
    return g_current ? ScalerResolveEntries(*g_current) : 0;
}

DWORD KMXScaleHandleOpen(KMXSCALE_HANDLE* handle, DWORD source_width, DWORD source_height,
                         DWORD destination_width, DWORD destination_height) {
    return Forward<KMXSCALE_HANDLE_OPEN>(&ScalerInstance::handle_open, "KMXScaleHandleOpen", handle,
                                         source_width, source_height, destination_width,
                                         destination_height);
}

DWORD KMXScaleHandleClose(KMXSCALE_HANDLE* handle) {
    return Forward<KMXSCALE_HANDLE_CLOSE>(&ScalerInstance::handle_close, "KMXScaleHandleClose",
                                          handle);
}

DWORD KMXScaleProcess(KMXSCALE_HANDLE* handle, const BYTE* source, DWORD source_size,
                      BYTE* destination, DWORD destination_size) {
    return Forward<KMXSCALE_PROCESS>(&ScalerInstance::process, "KMXScaleProcess", handle, source,
                                     source_size, destination, destination_size);
}

DWORD KMXScaleSetParam(KMXSCALE_HANDLE* handle, DWORD parameter, DWORD value) {
    return Forward<KMXSCALE_SET_PARAM>(&ScalerInstance::set_param, "KMXScaleSetParam", handle,
                                       parameter, value);
}

DWORD KMXScaleGetParam(KMXSCALE_HANDLE* handle, DWORD parameter, DWORD* value) {
    return Forward<KMXSCALE_GET_PARAM>(&ScalerInstance::get_param, "KMXScaleGetParam", handle,
                                       parameter, value);
}

}  // namespace kmx
