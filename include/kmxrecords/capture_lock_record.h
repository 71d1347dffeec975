// The capture lock as every process that has loaded the library sees it: one
// record in the library's shared data section, changed only with the named
// mutex held. Service tools may read it (under the mutex, changing nothing)
// to tell which camera is locked, by whom, and whether its holder is alive.
#pragma once

#include <windows.h>

#include <atomic>

namespace kmx {

// The shared data section that holds the record, and its mutex.
inline constexpr char kCaptureLockSection[] = "shared";
inline constexpr char kCaptureLockMutex[] = "KMX512_VPI_MUTEX";
// A holder refreshes its heartbeat every 250 ms; a lock whose heartbeat is
// older than this is stale: its holder died or hangs.
inline constexpr DWORD kCaptureLockStaleAfter = 1000;

// All zero while no camera is locked. The holder's heartbeat thread writes
// its word and reads the owner words without the mutex, hence each word is
// atomic on its own.
struct CaptureLockRecord {
    std::atomic<DWORD> locked_id;      // connection id of the locked camera; 0 = none
    std::atomic<DWORD> owner_process;  // process id of the holder
    std::atomic<DWORD> owner_handle;   // the holder's camera handle number in its process
    std::atomic<DWORD> heartbeat;      // tick count, refreshed by the holder every 250 ms
    std::atomic<DWORD> identity1;      // the locked camera's identity words; kept by unlock
    std::atomic<DWORD> identity2;

    // Clears the words that say who holds the lock, keeping the identity.
    void Release() {
        locked_id = 0;
        owner_process = 0;
        owner_handle = 0;
        heartbeat = 0;
    }
    void Clear() {
        Release();
        identity1 = 0;
        identity2 = 0;
    }
    // Milliseconds since the holder's last heartbeat. The heartbeat is read
    // before the clock, and a heartbeat that still reads as newer than the
    // clock counts as just written: a live holder's refresh that lands
    // between the two reads must never look 2^32 ms old. Ages are taken as
    // differences, so the tick count's wrap does no harm.
    DWORD HeartbeatAge() const {
        const DWORD beat = heartbeat;
        const LONG age = static_cast<LONG>(GetTickCount() - beat);
        return age > 0 ? static_cast<DWORD>(age) : 0;
    }
    bool Stale() const { return locked_id != 0 && HeartbeatAge() > kCaptureLockStaleAfter; }
};
static_assert(sizeof(CaptureLockRecord) == 24 && std::atomic<DWORD>::is_always_lock_free);

}  // namespace kmx
