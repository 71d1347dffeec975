// The capture driver's exports: the entry points that the 32-bit and the
// 16-bit linking drivers hand every driver message to, and the trace and
// text functions they link against, which do nothing.
#include <windows.h>
#include <vfw.h>

#include <kmx512u/kmxvfw.h>

#include <new>

#include "capture/message_dispatch.h"

namespace {

// No exception leaves an entry point: an allocation that throws fails the
// message as one that finds no memory.
LRESULT Dispatch(DWORD_PTR instance, HDRVR driver, UINT message, LPARAM lParam1, LPARAM lParam2,
                 kmx::ClientKind kind) {
    try {
        return kmx::DispatchDriverMessage(instance, driver, message, lParam1, lParam2, kind);
    } catch (const std::bad_alloc&) {
        return message == DRV_OPEN ? 0 : DV_ERR_NOMEM;
    }
}

}  // namespace

extern "C" {

LRESULT KMXVFW32_DriverProc(DWORD_PTR instance, HDRVR driver, UINT message, LPARAM lParam1,
                            LPARAM lParam2) {
    return Dispatch(instance, driver, message, lParam1, lParam2, kmx::ClientKind::k32Bit);
}

LRESULT WINAPI DLL32_VFW16DriverProc(DWORD instance, DWORD driver, UINT message, DWORD lParam1,
                                     DWORD lParam2) {
    return Dispatch(instance, reinterpret_cast<HDRVR>(static_cast<DWORD_PTR>(driver)), message,
                    lParam1, lParam2, kmx::ClientKind::k16Bit);
}

void KMXVFW32_TraceMessage(void) {}
void KMXVFW32_DebugText(void) {}
void WINAPI DLL32_TraceVfW16Msg(DWORD) {}
void WINAPI DLL32_DebugText(DWORD) {}

}  // extern "C"
