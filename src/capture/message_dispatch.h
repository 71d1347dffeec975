// The capture driver's message dispatch: one switch over the driver message
// that answers the driver-lifetime messages itself and hands every other
// known message to its channel, format or stream operation. Messages it does
// not know are answered with DV_ERR_NOTSUPPORTED; it never falls back on
// DefDriverProc.
#pragma once

#include <windows.h>

namespace kmx {

enum class ClientKind {
    k32Bit,  // pointers are flat
    k16Bit,  // pointers, also inside the records, are 16:16 addresses
};

LRESULT DispatchDriverMessage(DWORD_PTR instance, HDRVR driver, UINT message, LPARAM lParam1,
                              LPARAM lParam2, ClientKind kind);

}  // namespace kmx
