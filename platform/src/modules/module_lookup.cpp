// What a process asks of its loaded modules: a handle by name, a module's
// file and its exports.
#include <windows.h>

#include <kmxwin/trace.h>

#include <dlfcn.h>
#include <link.h>
#include <string.h>

#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <system_error>

#include "modules/loaded_modules.h"
#include "modules/module_name.h"

namespace kmxwin {
namespace {

// The loader lists the program under an empty name; the kernel knows its file.
std::string ProgramPath() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

// Whether ADDRESS lies in MODULE itself rather than in a module that MODULE
// depends on: dlsym searches those too, GetProcAddress only the module's own
// exports.
bool DefinedIn(HMODULE module, void* address) {
    Dl_info info;
    link_map* map = nullptr;
    return dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) &&
           reinterpret_cast<HMODULE>(map) == module;
}

}  // namespace
}  // namespace kmxwin

using namespace kmxwin;

extern "C" {

KMX_TRACED(modules, HMODULE WINAPI, GetModuleHandleA, (LPCSTR, lpModuleName)) {
    if (!lpModuleName) return ProgramModule();
    try {
        if (std::optional<LoadedModule> loaded =
                FindLoadedModule(TranslateModuleName(lpModuleName)))
            return loaded->module;
        SetLastError(ERROR_MOD_NOT_FOUND);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return nullptr;
}

KMX_TRACED(modules, DWORD WINAPI, GetModuleFileNameA, (HMODULE, hModule), (LPSTR, lpFilename),
           (DWORD, nSize)) {
    if (!lpFilename && nSize > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    try {
        std::optional<std::string> path = LoadedModulePath(hModule ? hModule : ProgramModule());
        if (!path) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        if (path->empty() && (path = ProgramPath())->empty()) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        if (path->size() < nSize) {
            memcpy(lpFilename, path->c_str(), path->size() + 1);
            return static_cast<DWORD>(path->size());
        }
        // Truncated to nSize characters, the terminating null among them.
        if (nSize > 0) {
            memcpy(lpFilename, path->data(), nSize - 1);
            lpFilename[nSize - 1] = '\0';
        }
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

KMX_TRACED(modules, FARPROC WINAPI, GetProcAddress, (HMODULE, hModule), (LPCSTR, lpProcName)) {
    if (!hModule) hModule = ProgramModule();
    if (!IsLoadedModule(hModule)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // A value below 0x10000 is an ordinal, and shared objects have none.
    if (reinterpret_cast<uintptr_t>(lpProcName) <= 0xFFFF) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    // The loader looks symbols up through a handle that dlopen gave: a
    // module mapped only as another's dependency has no search scope of its
    // own until it is opened, and dlsym on its bare handle faults.
    void* handle = hModule;
    bool opened = hModule != ProgramModule();
    if (opened) {
        std::optional<std::string> path;
        try {
            path = LoadedModulePath(hModule);
        } catch (const std::bad_alloc&) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        handle = path ? dlopen(path->c_str(), RTLD_LAZY | RTLD_NOLOAD) : nullptr;
        if (!handle) {
            dlerror();
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
    }
    void* address = dlsym(handle, lpProcName);
    if (opened) dlclose(handle);
    if (!address || !DefinedIn(hModule, address)) {
        if (!address) dlerror();
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(address);
}

}  // extern "C"
