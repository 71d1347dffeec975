#include "kernel/handle_table.h"

#include "kernel/dispatcher.h"

#include <deque>
#include <mutex>
#include <vector>

namespace kmxwin {
namespace {

// Keeps values within 32 bits with room to spare.
constexpr size_t kMaxHandles = size_t{1} << 24;

struct HandleTable {
    std::mutex lock;
    std::vector<std::shared_ptr<KernelObject>> slots;
    std::deque<size_t> free_slots;
};

// Never destroyed: threads may still close handles while the process exits.
HandleTable& Table() {
    static HandleTable* table = new HandleTable;
    return *table;
}

HANDLE HandleOfSlot(size_t slot) {
    return reinterpret_cast<HANDLE>((slot + 1) * 4);
}

// The slot of a well-formed handle value, or kMaxHandles.
size_t SlotOfHandle(HANDLE handle) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (value == 0 || value % 4 != 0 || value / 4 > kMaxHandles) return kMaxHandles;
    return value / 4 - 1;
}

}  // namespace

HANDLE InsertHandle(std::shared_ptr<KernelObject> object) {
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    size_t slot;
    if (!table.free_slots.empty()) {
        slot = table.free_slots.front();
        table.free_slots.pop_front();
    } else if (table.slots.size() < kMaxHandles) {
        slot = table.slots.size();
        try {
            table.slots.emplace_back();
        } catch (const std::bad_alloc&) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    } else {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    table.slots[slot] = std::move(object);
    return HandleOfSlot(slot);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
    HandleTable& table = Table();
    size_t slot = SlotOfHandle(handle);
    {
        std::lock_guard guard(table.lock);
        if (slot < table.slots.size() && table.slots[slot]) return table.slots[slot];
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle) {
    HandleTable& table = Table();
    size_t slot = SlotOfHandle(handle);
    std::shared_ptr<KernelObject> object;
    {
        std::lock_guard guard(table.lock);
        if (slot < table.slots.size() && table.slots[slot]) {
            object = std::move(table.slots[slot]);
            try {
                table.free_slots.push_back(slot);
            } catch (const std::bad_alloc&) {
                // Out of memory: the slot is not used again.
            }
        }
    }
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

}  // namespace kmxwin

using namespace kmxwin;

extern "C" {

BOOL WINAPI CloseHandle(HANDLE hObject) {
    TerminationPoint();
    if (hObject == GetCurrentProcess() || hObject == GetCurrentThread()) return TRUE;
    // The object is released outside the table lock: its destructor may take
    // other locks (a named object's file lock, for one).
    return RemoveHandle(hObject) ? TRUE : FALSE;
}

BOOL WINAPI DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle,
                            HANDLE hTargetProcessHandle, LPHANDLE lpTargetHandle,
                            DWORD /*dwDesiredAccess*/, BOOL /*bInheritHandle*/, DWORD dwOptions) {
    TerminationPoint();
    if (hSourceProcessHandle != GetCurrentProcess() ||
        hTargetProcessHandle != GetCurrentProcess()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (dwOptions & ~static_cast<DWORD>(DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::shared_ptr<KernelObject> object =
        hSourceHandle == GetCurrentThread() ? CurrentThreadObject() : LookupHandle(hSourceHandle);
    if (!object) return FALSE;
    HANDLE duplicate = InsertHandle(object);
    if ((dwOptions & DUPLICATE_CLOSE_SOURCE) && hSourceHandle != GetCurrentThread())
        RemoveHandle(hSourceHandle);
    if (!duplicate) return FALSE;
    if (lpTargetHandle) {
        *lpTargetHandle = duplicate;
    } else {
        // Windows closes the new handle at once when the caller does not want it.
        RemoveHandle(duplicate);
    }
    return TRUE;
}

}  // extern "C"
