// A plug-in loaded by name, as the library loads it, for the time of a test.
#pragma once

#include <windows.h>

namespace kmxtest {

class PluginModule {
  public:
    explicit PluginModule(const char* name) : module_(LoadLibraryA(name)) {}
    ~PluginModule() {
        if (module_) FreeLibrary(module_);
    }
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    bool Loaded() const { return module_ != nullptr; }

    // The export NAME as a function of type F, or null.
    template <class F>
    F Entry(const char* name) const {
        // Through the generic function type: FARPROC's own signature would
        // make the cast one between incompatible function types.
        return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
    }

  private:
    HMODULE module_;
};

}  // namespace kmxtest
