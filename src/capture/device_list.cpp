#include "capture/device_list.h"

#include <vfw.h>

#include <new>

namespace kmx {
namespace {

struct DeviceList {
    CRITICAL_SECTION lock{};
    CaptureDevice* head = nullptr;
    bool ready = false;  // between module start and module end
};
// Initialised before any code runs: the module start, which fills it, may
// run before the library's dynamic initialisers.
constinit DeviceList g_list;

class ListLock {
  public:
    ListLock() { EnterCriticalSection(&g_list.lock); }
    ~ListLock() { LeaveCriticalSection(&g_list.lock); }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;
};

DWORD_PTR* SlotOf(CaptureDevice& record, DWORD channel_type) {
    if (channel_type == VIDEO_EXTERNALIN) return &record.external_channel;
    if (channel_type == VIDEO_IN) return &record.capture_channel;
    return nullptr;
}

}  // namespace

void InitializeDeviceList() {
    InitializeCriticalSection(&g_list.lock);
    g_list.head = nullptr;
    g_list.ready = true;
}

CaptureDevice* FindDevice(DWORD_PTR instance) {
    if (!g_list.ready || instance == 0) return nullptr;
    ListLock guard;
    for (CaptureDevice* record = g_list.head; record; record = record->next)
        if (record->external_channel == instance || record->capture_channel == instance)
            return record;
    return nullptr;
}

ChannelClaim ClaimChannel(DWORD_PTR instance, DWORD channel_type, CaptureDevice** record,
                          bool* created) {
    *record = nullptr;
    *created = false;
    if (!g_list.ready) return ChannelClaim::kNoMemory;
    // The choice and the claim happen under one hold of the lock, so that
    // two clients opening at once cannot claim one slot.
    ListLock guard;
    CaptureDevice* reached = g_list.head;
    while (reached && reached->external_channel && reached->capture_channel && reached->next)
        reached = reached->next;
    std::unique_ptr<CaptureDevice> fresh;
    if (!reached || (reached->external_channel && reached->capture_channel)) {
        fresh.reset(new (std::nothrow) CaptureDevice);
        if (!fresh) return ChannelClaim::kNoMemory;
        reached = fresh.get();
    }
    DWORD_PTR* slot = SlotOf(*reached, channel_type);
    if (!slot) return ChannelClaim::kBadType;
    if (*slot) return ChannelClaim::kSlotTaken;
    *slot = instance;
    *created = fresh != nullptr;
    *record = fresh ? fresh.release() : reached;
    return ChannelClaim::kClaimed;
}

void InsertDevice(CaptureDevice* record) {
    ListLock guard;
    record->previous = nullptr;
    record->next = g_list.head;
    if (g_list.head) g_list.head->previous = record;
    g_list.head = record;
}

CaptureDevice* ReleaseChannel(DWORD_PTR instance, bool* last) {
    *last = false;
    if (!g_list.ready || instance == 0) return nullptr;
    // Under one hold of the lock, so that no open claims a channel on a
    // record that is on its way out.
    ListLock guard;
    CaptureDevice* record = g_list.head;
    while (record && record->external_channel != instance && record->capture_channel != instance)
        record = record->next;
    if (!record) return nullptr;
    if (record->external_channel == instance)
        record->external_channel = 0;
    else
        record->capture_channel = 0;
    if (record->external_channel || record->capture_channel) return record;
    if (record->previous)
        record->previous->next = record->next;
    else
        g_list.head = record->next;
    if (record->next) record->next->previous = record->previous;
    record->next = record->previous = nullptr;
    *last = true;
    return record;
}

void DrainDeviceList(void (*close)(CaptureDevice* record)) {
    if (!g_list.ready) return;
    for (;;) {
        CaptureDevice* record;
        {
            ListLock guard;
            record = g_list.head;
            if (!record) break;
            g_list.head = record->next;
            if (g_list.head) g_list.head->previous = nullptr;
            record->next = nullptr;
        }
        // Closing sends camera commands, which never run under the lock.
        close(record);
    }
    g_list.ready = false;
    DeleteCriticalSection(&g_list.lock);
}

}  // namespace kmx
