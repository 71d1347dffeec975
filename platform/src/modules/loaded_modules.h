// The objects the system loader has mapped into the process.
//
// An HMODULE is the loader's link_map of the object, which is also what
// dlopen returns for it. A handle that a caller gives us is looked for in the
// loader's own list before anything reads through it, so a stale or foreign
// value fails instead of faulting.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "modules/module_name.h"

namespace kmxwin {

// The program's own module.
HMODULE ProgramModule();

// Whether MODULE is an object mapped now.
bool IsLoadedModule(HMODULE module);

// The path the loader knows MODULE by, or nullopt when MODULE is not mapped.
// The program's own path is not in the loader's list: empty for it.
std::optional<std::string> LoadedModulePath(HMODULE module);

struct LoadedModule {
    HMODULE module;
    std::string path;
};

// The first mapped shared object that NAME names: by its whole path when NAME
// has one, else by its file name compared without regard to case, as Windows
// compares module names. The program itself is never found by name.
std::optional<LoadedModule> FindLoadedModule(const ModuleFileName& name);

}  // namespace kmxwin
