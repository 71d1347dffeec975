// The mutex functions, over the mutexes of one process and the named ones.
#include "kernel/dispatcher.h"
#include "kernel/handle_table.h"
#include "kernel/local_mutex.h"
#include "kernel/named_mutex.h"

#include <cstring>

namespace kmxwin {
namespace {

// The name without the session prefix (there is one session), or nullopt
// with the last error set for a name Windows would refuse.
std::optional<std::string> ObjectName(LPCSTR name) {
    std::string_view text(name);
    for (std::string_view prefix : {"Global\\", "Local\\"}) {
        if (text.starts_with(prefix)) {
            text.remove_prefix(prefix.size());
            break;
        }
    }
    if (std::strlen(name) > MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return std::nullopt;
    }
    if (text.find('\\') != std::string_view::npos) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    return std::string(text);
}

void AcquireNow(Waitable& mutex) {
    std::lock_guard guard(DispatcherLock());
    mutex.TryAcquire(CurrentThread(), Clock::now());
}

}  // namespace
}  // namespace kmxwin

using namespace kmxwin;

extern "C" {

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCSTR lpName) {
    TerminationPoint();
    if (!lpName || !*lpName) {
        std::shared_ptr<LocalMutex> mutex = MakeObject<LocalMutex>();
        if (!mutex) return nullptr;
        if (bInitialOwner) AcquireNow(*mutex);
        HANDLE handle = InsertHandle(mutex);
        if (handle) SetLastError(ERROR_SUCCESS);
        return handle;
    }
    try {
        std::optional<std::string> name = ObjectName(lpName);
        if (!name) return nullptr;
        bool existed = false;
        std::shared_ptr<NamedMutex> mutex =
            NamedMutex::Open(*name, SharedFileOpen::CreateOrOpen, existed);
        if (!mutex) return nullptr;
        // As on Windows, asking for ownership of a mutex that exists already
        // does not take it.
        if (bInitialOwner && !existed) AcquireNow(*mutex);
        HANDLE handle = InsertHandle(mutex);
        if (handle) SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
        return handle;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

HANDLE WINAPI OpenMutexA(DWORD, BOOL, LPCSTR lpName) {
    TerminationPoint();
    if (!lpName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::optional<std::string> name = ObjectName(lpName);
    if (!name) return nullptr;
    if (name->empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    bool existed = false;
    std::shared_ptr<NamedMutex> mutex =
        NamedMutex::Open(*name, SharedFileOpen::OpenExisting, existed);
    return mutex ? InsertHandle(mutex) : nullptr;
}

BOOL WINAPI ReleaseMutex(HANDLE hMutex) {
    TerminationPoint();
    std::shared_ptr<KernelObject> object = LookupHandle(hMutex);
    if (!object) return FALSE;
    switch (object->Type()) {
        case ObjectType::Mutex:
            return static_cast<LocalMutex&>(*object).Release(CurrentThread());
        case ObjectType::NamedMutex:
            return static_cast<NamedMutex&>(*object).Release(CurrentThread());
        default:
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
    }
}

}  // extern "C"
