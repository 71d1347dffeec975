// Module entry points: the constructor and destructor that
// KMXWIN_DLL_ENTRY_POINT puts in a module call here, and we call the entry
// point as Windows calls DllMain.
#include "modules/module_entry.h"

#include <kmxwin/dll_entry.h>

#include <dlfcn.h>
#include <link.h>

#include <mutex>
#include <new>
#include <unordered_map>

namespace kmxwin {
namespace {

enum class EntryState { Attaching, Attached, Refused };

struct EntryRecord {
    KMXWIN_DLL_ENTRY entry;
    EntryState state;
};

// Never holds its lock while an entry point or the system loader runs: entry
// points run inside dlopen and dlclose, and may load modules themselves.
struct EntryTable {
    std::mutex lock;
    std::unordered_map<HMODULE, EntryRecord> modules;
};

// Never destroyed: modules detach at exit, after the statics of the program.
EntryTable& Entries() {
    static EntryTable* table = new EntryTable;
    return *table;
}

thread_local DynamicLoadScope* t_scope = nullptr;

// What Windows passes DllMain as lpReserved: NULL when the process itself
// loads or frees the module, non-NULL when the module comes with the start
// of the process or goes with its exit.
LPVOID Reserved() {
    return t_scope ? nullptr : reinterpret_cast<LPVOID>(1);
}

void NoteAttachRefused() {
    if (t_scope) t_scope->NoteAttachRefused();
}

HMODULE ModuleOfAddress(const void* address) {
    Dl_info info;
    link_map* map = nullptr;
    if (!dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP)) return nullptr;
    return reinterpret_cast<HMODULE>(map);
}

void SetState(HMODULE module, EntryState state) {
    EntryTable& table = Entries();
    std::lock_guard guard(table.lock);
    if (auto record = table.modules.find(module); record != table.modules.end())
        record->second.state = state;
}

}  // namespace

DynamicLoadScope::DynamicLoadScope() : outer_(t_scope) {
    t_scope = this;
}

DynamicLoadScope::~DynamicLoadScope() {
    t_scope = outer_;
}

bool EntryPointRefused(HMODULE module) {
    EntryTable& table = Entries();
    std::lock_guard guard(table.lock);
    auto record = table.modules.find(module);
    return record != table.modules.end() && record->second.state == EntryState::Refused;
}

}  // namespace kmxwin

using namespace kmxwin;

extern "C" {

void WINAPI KmxWinModuleAttach(const void* anchor, KMXWIN_DLL_ENTRY entry) {
    HMODULE module = ModuleOfAddress(anchor);
    if (!module || !entry) return;
    LPVOID reserved = Reserved();
    // Entered before the entry point runs so that the detach finds it
    // without allocating; an entry point that cannot be recorded is not run,
    // and the load fails.
    try {
        EntryTable& table = Entries();
        std::lock_guard guard(table.lock);
        table.modules.insert_or_assign(module, EntryRecord{entry, EntryState::Attaching});
    } catch (const std::bad_alloc&) {
        NoteAttachRefused();
        return;
    }
    if (entry(module, DLL_PROCESS_ATTACH, reserved)) {
        SetState(module, EntryState::Attached);
        return;
    }
    // As Windows does after a refused attach: the module gets its detach at
    // once, and the load that brought it in fails.
    entry(module, DLL_PROCESS_DETACH, reserved);
    SetState(module, EntryState::Refused);
    NoteAttachRefused();
}

void WINAPI KmxWinModuleDetach(const void* anchor) {
    HMODULE module = ModuleOfAddress(anchor);
    KMXWIN_DLL_ENTRY attached_entry = nullptr;
    {
        EntryTable& table = Entries();
        std::lock_guard guard(table.lock);
        auto record = table.modules.find(module);
        if (record == table.modules.end()) return;
        if (record->second.state == EntryState::Attached) attached_entry = record->second.entry;
        table.modules.erase(record);
    }
    if (attached_entry) attached_entry(module, DLL_PROCESS_DETACH, Reserved());
}

}  // extern "C"
