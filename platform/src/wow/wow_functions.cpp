// wow32.dll's pointer, memory and handle services over the simulated 16-bit
// address space, and the extension that maps a caller's own memory.
#include <windows.h>
#include <wownt32.h>

#include <kmxwin/wow_address_space.h>

#include <cstdlib>

#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "wow/address_space.h"

using kmxwin::wow::BlockOwner;

extern "C" {

LPVOID WINAPI WOWGetVDMPointer(DWORD vp, DWORD dwBytes, BOOL fProtectedMode) {
    return fProtectedMode ? kmxwin::wow::Translate(vp, dwBytes, false) : nullptr;
}

LPVOID WINAPI WOWGetVDMPointerFix(DWORD vp, DWORD dwBytes, BOOL fProtectedMode) {
    return fProtectedMode ? kmxwin::wow::Translate(vp, dwBytes, true) : nullptr;
}

VOID WINAPI WOWGetVDMPointerUnfix(DWORD vp) {
    kmxwin::wow::Unfix(vp);
}

DWORD WINAPI WOWGlobalAllocLock16(WORD wFlags, DWORD cb, LPWORD phMem) {
    if (phMem) *phMem = 0;
    if (cb == 0) return 0;
    void* flat = (wFlags & GMEM_ZEROINIT) ? calloc(1, cb) : malloc(cb);
    if (!flat) return 0;
    VPVOID vp = kmxwin::wow::MapBlock(flat, cb, BlockOwner::kSpace);
    if (!vp) {
        free(flat);
        return 0;
    }
    // A fixed block's handle is its selector.
    if (phMem) *phMem = HIWORD(vp);
    return vp;
}

WORD WINAPI WOWGlobalUnlockFree16(DWORD vpMem) {
    bool found = false;
    free(kmxwin::wow::UnmapBlock(vpMem, BlockOwner::kSpace, &found));
    return found ? TRUE : FALSE;
}

HANDLE WINAPI WOWHandle32(WORD h, WOW_HANDLE_TYPE type) {
    HANDLE widened = reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(h));
    if (type != WOW_TYPE_HWND && type != WOW_TYPE_FULLHWND) return widened;
    // A handle whose high word is 0 names its slot's current window. A
    // failed look-up is no error of the caller's: the handle is widened.
    std::lock_guard guard(kmxwin::win::UserLock());
    kmxwin::win::Window* window = kmxwin::win::FindWindowLocked(static_cast<HWND>(widened));
    return window ? static_cast<HANDLE>(window->handle) : widened;
}

VPVOID KmxWinWowMapFlat(void* flat, DWORD size) {
    return kmxwin::wow::MapBlock(flat, size, BlockOwner::kCaller);
}

BOOL KmxWinWowUnmapFlat(VPVOID vp) {
    bool found = false;
    kmxwin::wow::UnmapBlock(vp, BlockOwner::kCaller, &found);
    return found;
}

void KmxWinWowUsage(KMXWIN_WOW_USAGE* usage) {
    if (usage) *usage = kmxwin::wow::Usage();
}

}  // extern "C"
