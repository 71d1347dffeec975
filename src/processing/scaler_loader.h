// The loader of the scaler plug-in KMXScale: loads the plug-in, keeps a
// process-wide current instance and forwards calls to its five exports,
// resolving each on first use.
//
// The frame pipeline does not forward through the current instance: it
// resolves the entries of the instance it loaded itself and calls those, so
// that a pipeline that closes (and unloads its instance) never takes the
// scaler away from another pipeline of the process.
#pragma once

#include <windows.h>

#include <kmx512u/kmxscale.h>

namespace kmx {

// One loaded plug-in; its entries hold kScalerUnresolved until looked up,
// then what GetProcAddress answered (null included).
struct ScalerInstance {
    HMODULE module = nullptr;
    FARPROC handle_open;
    FARPROC handle_close;
    FARPROC process;
    FARPROC set_param;
    FARPROC get_param;
};

inline const FARPROC kScalerUnresolved = reinterpret_cast<FARPROC>(static_cast<INT_PTR>(-1));

// The plug-in's default name, found by the system's module search.
inline constexpr char kScalerLibrary[] = "KMXScale.dll";

// What a forwarder answers when its export cannot be reached.
inline constexpr DWORD kScalerUnreachable = 10;

// Loads PATH (null: the default name) as a new instance and makes it current;
// null when the library does not load or memory runs out.
ScalerInstance* ScalerLoad(LPCSTR path);
// Unloads INSTANCE (null: the current one) and frees it; the current
// instance, if unloaded, stops being current. 1 when a library was unloaded,
// 0 when there was no instance or it had no module.
int ScalerUnload(ScalerInstance* instance);
// Makes INSTANCE current: 1, or 0 when it has no module.
int ScalerSelect(ScalerInstance* instance);
// 1 when the current instance's library exports NAME.
int ScalerHasEntry(LPCSTR name);
// Resolves all five entries of the current instance; 1 only when all five
// exist, 0 without a current instance.
int ScalerResolveAll();
// The same for INSTANCE alone, without touching the current instance.
int ScalerResolveEntries(ScalerInstance& instance);

// The forwarders: the current instance's export, called with the arguments
// unchanged, or kScalerUnreachable when there is no current instance or it
// lacks the export (which is then looked up again on the next call).
DWORD KMXScaleHandleOpen(KMXSCALE_HANDLE* handle, DWORD source_width, DWORD source_height,
                         DWORD destination_width, DWORD destination_height);
DWORD KMXScaleHandleClose(KMXSCALE_HANDLE* handle);
DWORD KMXScaleProcess(KMXSCALE_HANDLE* handle, const BYTE* source, DWORD source_size,
                      BYTE* destination, DWORD destination_size);
DWORD KMXScaleSetParam(KMXSCALE_HANDLE* handle, DWORD parameter, DWORD value);
DWORD KMXScaleGetParam(KMXSCALE_HANDLE* handle, DWORD parameter, DWORD* value);

}  // namespace kmx
