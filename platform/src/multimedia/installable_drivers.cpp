// OpenDriver, SendDriverMessage, CloseDriver and their companions: a table
// of the process's open driver instances and of the driver modules they run
// in, with the message sequence Windows sends.
//
// The table's lock is never held while a driver runs: drivers open drivers
// themselves while they handle a message, and a slow driver must not stall
// the others. A module's first-open sequence (DRV_LOAD, DRV_ENABLE) and its
// last-close sequence (DRV_DISABLE, DRV_FREE) run outside the lock too; the
// module's state tells other threads to wait until the sequence is over.
#include <windows.h>

#include <kmxwin/driver_registry.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>

#include "multimedia/driver_registry.h"

namespace kmxwin {
namespace {

constexpr char kDriverProcName[] = "DriverProc";

struct DriverModule {
    enum class State { kUnloaded, kLoading, kReady, kFreeing };
    State state = State::kUnloaded;
    std::thread::id sequence_thread;  // the thread running a sequence
    unsigned users = 0;               // instances open or being opened
};

struct DriverInstance {
    HMODULE module;
    DRIVERPROC proc;
    DWORD_PTR id;  // 0 until DRV_OPEN answered
    bool closing;
};

class DriverTable {
  public:
    // Counts a user of MODULE, sending DRV_LOAD and DRV_ENABLE when it is the
    // first; false, counting nothing, when DRV_LOAD refuses.
    bool AcquireModule(HMODULE module, DRIVERPROC proc, HDRVR handle);
    // Counts a user less, sending DRV_DISABLE and DRV_FREE (with ID) when it
    // was the last.
    void ReleaseModule(HMODULE module, DRIVERPROC proc, HDRVR handle, DWORD_PTR id);

    HDRVR NewHandle();
    void Insert(HDRVR handle, const DriverInstance& instance);
    void SetId(HDRVR handle, DWORD_PTR id);
    std::optional<DriverInstance> Find(HDRVR handle);
    // The instance, marked closing; nullopt when it is not open or already
    // closing.
    std::optional<DriverInstance> BeginClose(HDRVR handle);
    void Erase(HDRVR handle);

  private:
    std::mutex lock_;
    std::condition_variable sequence_done_;
    std::map<HMODULE, DriverModule> modules_;
    std::map<HDRVR, DriverInstance> instances_;
    // Handles are never reused within the process; they start well above
    // 0xFFFF, which capture drivers give a meaning of their own.
    uintptr_t next_handle_ = 0x10000;
};

bool DriverTable::AcquireModule(HMODULE module, DRIVERPROC proc, HDRVR handle) {
    std::unique_lock guard(lock_);
    DriverModule& entry = modules_[module];
    ++entry.users;
    using State = DriverModule::State;
    // A driver that opens itself while it loads or frees goes on: waiting for
    // its own sequence would never end.
    sequence_done_.wait(guard, [&] {
        return entry.state == State::kReady || entry.state == State::kUnloaded ||
               entry.sequence_thread == std::this_thread::get_id();
    });
    if (entry.state != State::kUnloaded) return true;
    entry.state = State::kLoading;
    entry.sequence_thread = std::this_thread::get_id();
    guard.unlock();
    bool loaded = proc(0, handle, DRV_LOAD, 0, 0) != 0;
    if (loaded) proc(0, handle, DRV_ENABLE, 0, 0);
    guard.lock();
    entry.state = loaded ? State::kReady : State::kUnloaded;
    entry.sequence_thread = {};
    if (!loaded && --entry.users == 0) modules_.erase(module);
    sequence_done_.notify_all();
    return loaded;
}

void DriverTable::ReleaseModule(HMODULE module, DRIVERPROC proc, HDRVR handle, DWORD_PTR id) {
    std::unique_lock guard(lock_);
    DriverModule& entry = modules_[module];
    using State = DriverModule::State;
    if (--entry.users > 0) return;
    if (entry.state != State::kReady) {
        if (entry.state == State::kUnloaded) modules_.erase(module);
        return;
    }
    entry.state = State::kFreeing;
    entry.sequence_thread = std::this_thread::get_id();
    guard.unlock();
    proc(id, handle, DRV_DISABLE, 0, 0);
    proc(id, handle, DRV_FREE, 0, 0);
    guard.lock();
    entry.state = State::kUnloaded;
    entry.sequence_thread = {};
    // An open that came meanwhile waits for this and loads the module anew.
    if (entry.users == 0) modules_.erase(module);
    sequence_done_.notify_all();
}

HDRVR DriverTable::NewHandle() {
    std::lock_guard guard(lock_);
    HDRVR handle = reinterpret_cast<HDRVR>(next_handle_);
    next_handle_ += 4;
    return handle;
}

void DriverTable::Insert(HDRVR handle, const DriverInstance& instance) {
    std::lock_guard guard(lock_);
    instances_.emplace(handle, instance);
}

void DriverTable::SetId(HDRVR handle, DWORD_PTR id) {
    std::lock_guard guard(lock_);
    if (auto found = instances_.find(handle); found != instances_.end()) found->second.id = id;
}

std::optional<DriverInstance> DriverTable::Find(HDRVR handle) {
    std::lock_guard guard(lock_);
    auto found = instances_.find(handle);
    if (found == instances_.end()) return std::nullopt;
    return found->second;
}

std::optional<DriverInstance> DriverTable::BeginClose(HDRVR handle) {
    std::lock_guard guard(lock_);
    auto found = instances_.find(handle);
    if (found == instances_.end() || found->second.closing) return std::nullopt;
    found->second.closing = true;
    return found->second;
}

void DriverTable::Erase(HDRVR handle) {
    std::lock_guard guard(lock_);
    instances_.erase(handle);
}

// Never destroyed: drivers may be closed while the process exits.
DriverTable& Table() {
    static DriverTable* const table = new DriverTable;
    return *table;
}

std::optional<std::string> Narrow(LPCWSTR text) {
    int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::nullopt;
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), size, nullptr, nullptr);
    narrow.pop_back();
    return narrow;
}

std::u16string Wide(const std::string& text) {
    if (text.empty()) return {};
    int size =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string wide(static_cast<size_t>(size), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

HDRVR Open(LPCWSTR name, LPCWSTR section_name, LPARAM lParam2) {
    std::optional<std::string> driver = Narrow(name);
    std::optional<std::string> section =
        section_name ? Narrow(section_name) : std::string(KMXWIN_DRIVERS32_SECTION);
    if (!driver || driver->empty() || !section) return nullptr;
    // A name the section does not hold names the module itself.
    std::optional<std::string> registered = ReadDriverValue(*section, *driver);
    DriverCommand command =
        registered ? SplitDriverCommand(*registered) : DriverCommand{*driver, {}};
    if (command.module.empty()) return nullptr;

    HMODULE module = LoadLibraryA(command.module.c_str());
    if (!module) return nullptr;
    auto proc = reinterpret_cast<DRIVERPROC>(
        reinterpret_cast<void*>(GetProcAddress(module, kDriverProcName)));
    DriverTable& table = Table();
    HDRVR handle = table.NewHandle();
    if (!proc || !table.AcquireModule(module, proc, handle)) {
        FreeLibrary(module);
        return nullptr;
    }
    table.Insert(handle, {module, proc, 0, false});
    std::u16string configuration = Wide(command.configuration);
    LPARAM lParam1 = configuration.empty() ? 0 : reinterpret_cast<LPARAM>(configuration.c_str());
    DWORD_PTR id = static_cast<DWORD_PTR>(proc(0, handle, DRV_OPEN, lParam1, lParam2));
    if (id == 0) {
        table.Erase(handle);
        table.ReleaseModule(module, proc, handle, 0);
        FreeLibrary(module);
        return nullptr;
    }
    table.SetId(handle, id);
    return handle;
}

}  // namespace
}  // namespace kmxwin

using namespace kmxwin;

extern "C" {

HDRVR WINAPI OpenDriver(LPCWSTR szDriverName, LPCWSTR szSectionName, LPARAM lParam2) {
    if (!szDriverName) return nullptr;
    try {
        return Open(szDriverName, szSectionName, lParam2);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

LRESULT WINAPI CloseDriver(HDRVR hDriver, LPARAM lParam1, LPARAM lParam2) {
    DriverTable& table = Table();
    std::optional<DriverInstance> instance = table.BeginClose(hDriver);
    if (!instance) return 0;
    instance->proc(instance->id, hDriver, DRV_CLOSE, lParam1, lParam2);
    table.Erase(hDriver);
    table.ReleaseModule(instance->module, instance->proc, hDriver, instance->id);
    FreeLibrary(instance->module);
    return 1;
}

LRESULT WINAPI SendDriverMessage(HDRVR hDriver, UINT message, LPARAM lParam1, LPARAM lParam2) {
    std::optional<DriverInstance> instance = Table().Find(hDriver);
    if (!instance) return 0;
    return instance->proc(instance->id, hDriver, message, lParam1, lParam2);
}

HMODULE WINAPI GetDriverModuleHandle(HDRVR hDriver) {
    std::optional<DriverInstance> instance = Table().Find(hDriver);
    return instance ? instance->module : nullptr;
}

LRESULT WINAPI DefDriverProc(DWORD_PTR, HDRVR, UINT uMsg, LPARAM, LPARAM) {
    switch (uMsg) {
        case DRV_LOAD:
        case DRV_FREE:
        case DRV_ENABLE:
        case DRV_DISABLE:
            return 1;
        case DRV_INSTALL:
        case DRV_REMOVE:
            return DRVCNF_OK;
        default:
            return 0;
    }
}

}  // extern "C"
