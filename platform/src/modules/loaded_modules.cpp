#include "modules/loaded_modules.h"

#include <dlfcn.h>
#include <link.h>
#include <string.h>
#include <strings.h>

namespace kmxwin {
namespace {

// Taken while libkmxwin.so loads, not on first use: dlopen waits for the
// loader's lock, and a thread inside dlopen (running an entry point) must
// never wait for a static's initialisation guard held by a thread that waits
// for that lock.
const HMODULE g_program = static_cast<HMODULE>(dlopen(nullptr, RTLD_LAZY));

// Calls VISIT for each mapped object, program first, until it answers true.
// dl_iterate_phdr holds the lock under which dlopen and dlclose link and
// unlink objects for as long as its callback runs, so we walk the loader's
// list from inside one callback: no object can be unmapped meanwhile. VISIT
// must not throw through the loader, hence noexcept.
template <class Visit>
void ForEachLoadedModule(Visit visit) {
    dl_iterate_phdr(
        [](dl_phdr_info*, size_t, void* data) noexcept -> int {
            Visit& visit = *static_cast<Visit*>(data);
            for (const link_map* map = reinterpret_cast<const link_map*>(g_program); map;
                 map = map->l_next) {
                if (visit(*map)) break;
            }
            return 1;  // one walk of the list is all we need
        },
        &visit);
}

HMODULE ModuleOf(const link_map& map) {
    return reinterpret_cast<HMODULE>(const_cast<link_map*>(&map));
}

const char* FileNameOf(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

}  // namespace

HMODULE ProgramModule() {
    return g_program;
}

bool IsLoadedModule(HMODULE module) {
    bool found = false;
    ForEachLoadedModule(
        [&](const link_map& map) noexcept { return found = ModuleOf(map) == module; });
    return found;
}

std::optional<std::string> LoadedModulePath(HMODULE module) {
    std::optional<std::string> path;
    ForEachLoadedModule([&](const link_map& map) noexcept {
        if (ModuleOf(map) != module) return false;
        path.emplace(module == g_program ? "" : map.l_name);
        return true;
    });
    return path;
}

std::optional<LoadedModule> FindLoadedModule(const ModuleFileName& name) {
    std::optional<LoadedModule> found;
    ForEachLoadedModule([&](const link_map& map) noexcept {
        if (ModuleOf(map) == g_program) return false;
        bool match = name.has_path ? name.file == map.l_name
                                   : strcasecmp(FileNameOf(map.l_name), name.file.c_str()) == 0;
        if (match) found.emplace(LoadedModule{ModuleOf(map), map.l_name});
        return match;
    });
    return found;
}

}  // namespace kmxwin
