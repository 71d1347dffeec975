// LoadLibraryA and FreeLibrary: Windows modules are our shared objects, and
// their reference counts are the system loader's dlopen counts.
#include <windows.h>

#include <kmxwin/trace.h>

#include <dlfcn.h>
#include <elf.h>
#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "kernel/runtime_dir.h"
#include "modules/loaded_modules.h"
#include "modules/module_entry.h"
#include "modules/module_name.h"

namespace kmxwin {
namespace {

std::string FindLibraryDirectory() {
    Dl_info info;
    if (!dladdr(reinterpret_cast<const void*>(&FindLibraryDirectory), &info) || !info.dli_fname)
        return {};
    // Made absolute now should the loader have found us through a relative
    // directory: a later change of directory must not move our plug-ins.
    std::error_code error;
    return std::filesystem::absolute(info.dli_fname, error).parent_path().string();
}

// The directory of libkmxwin.so. Found while the library loads, not on first
// use: dladdr waits for the loader's lock, which an entry point running
// inside dlopen holds while it may be waiting for a static's initialisation
// guard. Never destroyed, as modules load and unload during exit too.
const std::string* const g_library_directory = new std::string(FindLibraryDirectory());

// KMX512_PLUGIN_PATH, then our own directory and its plug-in directory.
std::vector<std::string> SearchDirectories() {
    std::vector<std::string> directories;
    if (const char* path = getenv("KMX512_PLUGIN_PATH")) {
        for (std::string_view rest = path; !rest.empty();) {
            size_t colon = std::min(rest.find(':'), rest.size());
            if (colon > 0) directories.emplace_back(rest.substr(0, colon));
            rest.remove_prefix(std::min(colon + 1, rest.size()));
        }
    }
    if (!g_library_directory->empty()) {
        directories.push_back(*g_library_directory);
        directories.push_back(*g_library_directory + "/kmx512");
    }
    return directories;
}

bool IsRegularFile(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::optional<std::string> FindInSearchDirectories(const std::string& file) {
    for (const std::string& directory : SearchDirectories()) {
        std::string path = directory + "/" + file;
        if (IsRegularFile(path)) return path;
    }
    return std::nullopt;
}

// Why dlopen refused FILE, as Windows would say it: a file that is no shared
// object of our kind is a bad image; otherwise the module, or one that it
// needs, was not found.
DWORD LoadFailure(const std::string& file) {
    if (file.find('/') == std::string::npos) return ERROR_MOD_NOT_FOUND;
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? ERROR_MOD_NOT_FOUND : ErrorFromErrno(errno);
    ElfW(Ehdr) header;
    ssize_t got = read(fd, &header, sizeof header);
    close(fd);
    bool ours = got == static_cast<ssize_t>(sizeof header) &&
                memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
                header.e_ident[EI_CLASS] == (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32);
    return ours ? ERROR_MOD_NOT_FOUND : ERROR_BAD_EXE_FORMAT;
}

HMODULE OpenModule(const std::string& file) {
    DynamicLoadScope scope;
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        dlerror();  // the reason goes out through the last error
        SetLastError(LoadFailure(file));
        return nullptr;
    }
    auto module = static_cast<HMODULE>(handle);
    // A refusal by the module or by one that came with it fails the load, as
    // does a module that refused an earlier load and is still mapped.
    if (scope.AttachRefused() || EntryPointRefused(module)) {
        dlclose(handle);
        SetLastError(ERROR_DLL_INIT_FAILED);
        return nullptr;
    }
    return module;
}

}  // namespace
}  // namespace kmxwin

using namespace kmxwin;

extern "C" {

KMX_TRACED(modules, HMODULE WINAPI, LoadLibraryA, (LPCSTR, lpLibFileName)) {
    if (!lpLibFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    try {
        ModuleFileName name = TranslateModuleName(lpLibFileName);
        if (name.has_path) return OpenModule(name.file);
        // As on Windows, a module already mapped under this name is the one
        // meant, wherever it was loaded from.
        if (std::optional<LoadedModule> loaded = FindLoadedModule(name))
            return OpenModule(loaded->path);
        return OpenModule(FindInSearchDirectories(name.file).value_or(name.file));
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

KMX_TRACED(modules, BOOL WINAPI, FreeLibrary, (HMODULE, hLibModule)) {
    if (!IsLoadedModule(hLibModule)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DynamicLoadScope scope;
    // glibc refuses to close what dlopen did not open: the objects mapped at
    // program start and those mapped only as another's dependency. They stay
    // for as long as the process or that other module needs them, as the
    // statically loaded modules of Windows do, and the call still succeeds.
    if (dlclose(hLibModule) != 0) dlerror();
    return TRUE;
}

}  // extern "C"
