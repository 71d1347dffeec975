// Module entry points: what LoadLibraryA and FreeLibrary need to know of the
// entry points that run inside their dlopen and dlclose.
#pragma once

#include <windows.h>

namespace kmxwin {

// Marks a LoadLibraryA or FreeLibrary in progress on this thread, around its
// dlopen or dlclose. The loader runs the constructors and destructors of the
// objects it maps and unmaps on the calling thread, inside that call, so an
// entry point that runs while a scope is open belongs to it: it hears that
// the process loads or frees it (reserved NULL) rather than that the process
// starts or exits, and a refused attach is noted here. Scopes nest, for an
// entry point that itself loads a module.
class DynamicLoadScope {
  public:
    DynamicLoadScope();
    ~DynamicLoadScope();
    DynamicLoadScope(const DynamicLoadScope&) = delete;
    DynamicLoadScope& operator=(const DynamicLoadScope&) = delete;

    // Whether an entry point answered FALSE to its attach within this scope.
    bool AttachRefused() const { return attach_refused_; }
    void NoteAttachRefused() { attach_refused_ = true; }

  private:
    DynamicLoadScope* outer_;
    bool attach_refused_ = false;
};

// Whether MODULE's entry point answered FALSE to its attach. Such a module
// stays mapped while something still holds it, and must not be handed out.
bool EntryPointRefused(HMODULE module);

}  // namespace kmxwin
