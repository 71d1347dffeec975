#include "gdi/object_table.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace kmxwin::gdi {
namespace {

constexpr uint32_t kMaxSlots = 0xFFFF;
constexpr uint32_t kReuseMask = 0x7F;  // keeps handle values positive as 32-bit numbers

struct Slot {
    std::unique_ptr<GdiObject> object;
    uint32_t reuse = 1;
};

struct Table {
    std::vector<Slot> slots{1};  // slot 0 is never used: no handle is 0
    // Freed slots are taken again oldest first, which keeps a stale handle
    // failing for as long as possible.
    std::deque<uint32_t> free_slots;
};

std::recursive_mutex& GdiMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

Table& TheTable() {
    static Table* table = new Table;  // lives as long as the process
    return *table;
}

HGDIOBJ MakeHandle(uint32_t index, uint32_t reuse, DWORD type) {
    uint32_t value = (reuse << 24) | ((type & 0xFF) << 16) | index;
    return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(value));
}

Slot* SlotOf(HGDIOBJ handle) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (value == 0 || value > 0x7FFFFFFF) return nullptr;
    uint32_t index = value & 0xFFFF;
    Table& table = TheTable();
    if (index == 0 || index >= table.slots.size()) return nullptr;
    Slot& slot = table.slots[index];
    if (!slot.object || slot.object->handle != handle) return nullptr;
    return &slot;
}

void Free(GdiObject* object) {
    Slot* slot = SlotOf(object->handle);
    if (!slot) return;
    uint32_t index = reinterpret_cast<uintptr_t>(object->handle) & 0xFFFF;
    slot->object.reset();
    slot->reuse = (slot->reuse % kReuseMask) + 1;
    TheTable().free_slots.push_back(index);
}

}  // namespace

std::unique_lock<std::recursive_mutex> LockGdi() {
    return std::unique_lock<std::recursive_mutex>(GdiMutex());
}

HGDIOBJ InsertObject(std::unique_ptr<GdiObject> object) {
    Table& table = TheTable();
    uint32_t index;
    if (!table.free_slots.empty() &&
        (table.free_slots.size() > 256 || table.slots.size() > kMaxSlots)) {
        index = table.free_slots.front();
        table.free_slots.pop_front();
    } else if (table.slots.size() <= kMaxSlots) {
        index = static_cast<uint32_t>(table.slots.size());
        table.slots.emplace_back();
    } else {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Slot& slot = table.slots[index];
    object->handle = MakeHandle(index, slot.reuse, object->type);
    slot.object = std::move(object);
    return slot.object->handle;
}

GdiObject* LookupObject(HGDIOBJ handle) {
    Slot* slot = SlotOf(handle);
    if (!slot || slot->object->delete_pending) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return slot->object.get();
}

void DeleteGdiObject(GdiObject* object) {
    if (object->stock) return;
    if (object->uses > 0) {
        object->delete_pending = true;
        return;
    }
    Free(object);
}

ObjectRef::ObjectRef(GdiObject* object) : object_(object) {
    if (object_) ++object_->uses;
}

ObjectRef& ObjectRef::operator=(const ObjectRef& other) {
    ObjectRef copy(other);
    std::swap(object_, copy.object_);
    return *this;
}

ObjectRef::~ObjectRef() {
    if (object_ && --object_->uses == 0 && object_->delete_pending) Free(object_);
}

}  // namespace kmxwin::gdi
