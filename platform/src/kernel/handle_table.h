// The process's handle table. Handle values are small non-zero multiples of
// 4 that fit in 32 bits; a slot freed by CloseHandle is reused only after the
// other free slots, which keeps a stale handle failing for as long as
// possible.
#pragma once

#include "kernel/kernel_object.h"

#include <memory>
#include <new>
#include <utility>

namespace kmxwin {

// Enters OBJECT into the table. nullptr (ERROR_NOT_ENOUGH_MEMORY) when full
// or out of memory.
HANDLE InsertHandle(std::shared_ptr<KernelObject> object);

// Makes an OBJECT from ARGS: nullptr, with ERROR_NOT_ENOUGH_MEMORY, when
// memory runs short, as Windows fails such a call rather than throw into
// its caller.
template <class Object, class... Args>
std::shared_ptr<Object> MakeObject(Args&&... args) {
    try {
        return std::make_shared<Object>(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

// Makes an OBJECT from ARGS and enters it into the table; nullptr as above.
template <class Object, class... Args>
HANDLE InsertNew(Args&&... args) {
    std::shared_ptr<Object> object = MakeObject<Object>(std::forward<Args>(args)...);
    return object ? InsertHandle(std::move(object)) : nullptr;
}

// The object behind HANDLE, or nullptr with ERROR_INVALID_HANDLE. Pseudo
// handles are not in the table.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);

// Takes HANDLE out of the table and returns its object (nullptr with
// ERROR_INVALID_HANDLE when it is not a handle).
std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle);

// The object behind HANDLE if it is of TYPE, else nullptr with
// ERROR_INVALID_HANDLE.
template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle, ObjectType type) {
    std::shared_ptr<KernelObject> object = LookupHandle(handle);
    if (!object) return nullptr;
    if (object->Type() != type) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return std::static_pointer_cast<T>(object);
}

}  // namespace kmxwin
