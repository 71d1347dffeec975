#include "debug/debug_flags.h"

#include "device/kernel_channel.h"
#include "support/registry_key.h"

namespace kmx {
namespace {

// Zero while the library loads; they live until the process ends.
DWORD g_user_mode;
DWORD g_user_mode_func;
volatile LONG g_user_mode_err;
DWORD g_twain_info;
DWORD g_twain_func;
// Error bits not in the stored mask yet: their write failed, and the next
// write saves them.
volatile LONG g_unsaved;

constexpr char kErrorMaskValue[] = "DebugUserModeErr";

// What serialises the write-backs of the error mask: the registry access
// mutex, which every process takes around its registry writes, or, before
// module start made it, a mutex of this process. Kernel mutexes both: a
// thread that ends holding one leaves it abandoned, never taken for good.
HANDLE WriteBackLock() {
    if (HANDLE mutex = RegistryAccessMutex()) return mutex;
    static HANDLE local = CreateMutexA(nullptr, FALSE, nullptr);
    return local;
}

// Adds BITS to the stored mask; whether it was written.
bool StoreErrorBits(DWORD bits) {
    RegistryKey key(HKEY_LOCAL_MACHINE, kSettingsKeyPath, true, false);
    DWORD stored = 0;
    key.QueryDword(kErrorMaskValue, &stored);
    return key.SetDword(kErrorMaskValue, stored | bits) == 1;
}

}  // namespace

void ReadDebugFlags() try {
    RegistryKey key(HKEY_LOCAL_MACHINE, kSettingsKeyPath, true, false);
    if (!key.Handle()) return;
    DWORD mask = 0;
    key.QueryDword("DebugUserMode", &g_user_mode);
    key.QueryDword("DebugUserModeFunc", &g_user_mode_func);
    key.QueryDword(kErrorMaskValue, &mask);
    key.QueryDword("DebugTwainInfo", &g_twain_info);
    key.QueryDword("DebugTwainFunc", &g_twain_func);
    InterlockedOr(&g_user_mode_err, static_cast<LONG>(mask));
} catch (...) {
    // Memory ran short: the words not read stay 0.
}

void RecordUserModeError(DWORD bits) {
    InterlockedOr(&g_user_mode_err, static_cast<LONG>(bits));
    InterlockedOr(&g_unsaved, static_cast<LONG>(bits));
    // One write-back at a time across all processes, so that none overwrites
    // another's bits. The stored mask is read again and only our unsaved
    // bits are added: writing our whole in-memory mask would drop the bits
    // that other processes stored since we started, and bring back bits
    // that a service tool has cleared.
    HANDLE lock = WriteBackLock();
    DWORD taken = lock ? WaitForSingleObject(lock, INFINITE) : WAIT_FAILED;
    auto unsaved = static_cast<DWORD>(InterlockedExchange(&g_unsaved, 0));
    bool stored = false;
    try {
        stored = StoreErrorBits(unsaved);
    } catch (...) {
        // Memory ran short: kept for the next write, as a failed write is.
    }
    if (!stored) InterlockedOr(&g_unsaved, static_cast<LONG>(unsaved));
    // An abandoned mutex is ours all the same: its owner died mid-write,
    // and every registry write is whole.
    if (taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED) ReleaseMutex(lock);
}

DebugFlags CurrentDebugFlags() {
    return {g_user_mode, g_user_mode_func, static_cast<DWORD>(InterlockedOr(&g_user_mode_err, 0)),
            g_twain_info, g_twain_func};
}

}  // namespace kmx
