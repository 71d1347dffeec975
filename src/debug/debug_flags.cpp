#include "debug/debug_flags.h"

#include "support/registry_key.h"

namespace kmx {
namespace {

// Zero while the library loads; they live until the process ends.
DWORD g_user_mode;
DWORD g_user_mode_func;
volatile LONG g_user_mode_err;
DWORD g_twain_info;
DWORD g_twain_func;

// Serialises the write-backs of the error mask. Never deleted: streaming
// threads may record errors while the process exits.
CRITICAL_SECTION* WriteBackLock() {
    static CRITICAL_SECTION* lock = [] {
        auto* section = new CRITICAL_SECTION;
        InitializeCriticalSection(section);
        return section;
    }();
    return lock;
}

}  // namespace

void ReadDebugFlags() {
    RegistryKey key(HKEY_LOCAL_MACHINE, kSettingsKeyPath, true, false);
    if (!key.Handle()) return;
    DWORD mask = 0;
    key.QueryDword(kUserModeFlagsValue, &g_user_mode);
    key.QueryDword(kUserModeFunctionFlagsValue, &g_user_mode_func);
    key.QueryDword(kUserModeErrorMaskValue, &mask);
    key.QueryDword(kTwainInfoFlagsValue, &g_twain_info);
    key.QueryDword(kTwainFunctionFlagsValue, &g_twain_func);
    InterlockedOr(&g_user_mode_err, static_cast<LONG>(mask));
}

void RecordUserModeError(DWORD bits) {
    InterlockedOr(&g_user_mode_err, static_cast<LONG>(bits));
    // One write-back at a time, so that a thread holding an older mask never
    // overwrites a newer one. The stored mask is read again and only BITS are
    // added: writing our whole in-memory mask would drop the bits that other
    // processes stored since we started, and bring back bits that a service
    // tool has cleared.
    EnterCriticalSection(WriteBackLock());
    {
        RegistryKey key(HKEY_LOCAL_MACHINE, kSettingsKeyPath, true, false);
        DWORD stored = 0;
        key.QueryDword(kUserModeErrorMaskValue, &stored);
        key.SetDword(kUserModeErrorMaskValue, stored | bits);
    }
    LeaveCriticalSection(WriteBackLock());
}

DebugFlags CurrentDebugFlags() {
    return {g_user_mode, g_user_mode_func, static_cast<DWORD>(InterlockedOr(&g_user_mode_err, 0)),
            g_twain_info, g_twain_func};
}

}  // namespace kmx
