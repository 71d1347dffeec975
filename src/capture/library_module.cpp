#include "capture/library_module.h"

namespace kmx {
namespace {

constinit HMODULE g_module = nullptr;

}  // namespace

void SetLibraryModule(HMODULE module) {
    g_module = module;
}

HMODULE LibraryModule() {
    return g_module;
}

}  // namespace kmx
