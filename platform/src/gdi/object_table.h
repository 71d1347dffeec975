// The process's table of GDI objects: pens, brushes, fonts, bitmaps, regions
// and device contexts. It is a table of its own, apart from the kernel
// handle table, as on Windows. A handle is a small value that fits in 32
// bits: the slot index in the low word, the object type and a reuse count
// above it, so that a stale handle or one of another type fails instead of
// reaching whatever took its slot.
//
// Every GDI function runs under one process-wide lock (LockGdi), so objects
// are shared by the threads of a process and one thread's DeleteObject can
// never free an object under another thread's drawing. Drawing never
// blocks, so holding the lock across it is harmless.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>

namespace kmxwin::gdi {

[[nodiscard]] std::unique_lock<std::recursive_mutex> LockGdi();

struct GdiObject {
    explicit GdiObject(DWORD object_type) : type(object_type) {}
    virtual ~GdiObject() = default;
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    const DWORD type;  // OBJ_*
    HGDIOBJ handle = nullptr;
    // Stock objects and system colour brushes belong to the system:
    // DeleteObject succeeds on them and leaves them alone.
    bool stock = false;
    // Selections into device contexts, current or saved. An object deleted
    // while in use is freed when its last use ends, never under a DC.
    int uses = 0;
    bool delete_pending = false;
};

// Enters OBJECT and returns its handle; NULL with ERROR_NOT_ENOUGH_MEMORY
// when the table is full.
HGDIOBJ InsertObject(std::unique_ptr<GdiObject> object);

// The live object behind HANDLE, or nullptr with ERROR_INVALID_HANDLE.
GdiObject* LookupObject(HGDIOBJ handle);

// The object behind HANDLE if it is of type TYPE, else nullptr with
// ERROR_INVALID_HANDLE.
template <class T>
T* LookupObjectAs(HGDIOBJ handle, DWORD type) {
    GdiObject* object = LookupObject(handle);
    if (object && object->type != type) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return static_cast<T*>(object);
}

// Deletes OBJECT as DeleteObject does: stock objects stay, objects in use
// go when their last use ends, the others at once.
void DeleteGdiObject(GdiObject* object);

// A counted use of an object by a device context (a selection).
class ObjectRef {
  public:
    ObjectRef() = default;
    explicit ObjectRef(GdiObject* object);
    ObjectRef(const ObjectRef& other) : ObjectRef(other.object_) {}
    ObjectRef& operator=(const ObjectRef& other);
    ~ObjectRef();

    GdiObject* get() const { return object_; }
    HGDIOBJ handle() const { return object_ ? object_->handle : nullptr; }
    explicit operator bool() const { return object_ != nullptr; }

  private:
    GdiObject* object_ = nullptr;
};

}  // namespace kmxwin::gdi
