#include "capture/message_dispatch.h"

#include <msviddrv.h>
#include <vfw.h>

#include <kmx512u/kmxvfw.h>

#include "capture/channel_instances.h"
#include "capture/format_negotiation.h"

namespace kmx {

LRESULT DispatchDriverMessage(DWORD_PTR instance, HDRVR driver, UINT message, LPARAM lParam1,
                              LPARAM lParam2, ClientKind kind) {
    // A 16-bit client's addresses need the 16-bit client path's translation:
    // until it exists, such a client's open fails and its other messages
    // with addresses are not supported.
    bool untranslated = kind == ClientKind::k16Bit;
    switch (message) {
        case DRV_LOAD:
        case DRV_FREE:
        case DRV_QUERYCONFIGURE:
            // All start-up work is done when the library loads.
            return 1;
        case DRV_OPEN: {
            if (untranslated) return 0;
            auto link = reinterpret_cast<const DriverLinkInfo*>(lParam1);
            return static_cast<LRESULT>(OpenChannel(driver,
                                                    reinterpret_cast<VIDEO_OPEN_PARMS*>(lParam2),
                                                    link, link ? link->name : nullptr));
        }
        case DRV_CLOSE:
            return CloseChannel(instance);
        case DRV_CONFIGURE:
            if (untranslated) return DV_ERR_NOTSUPPORTED;
            return ConfigureDriver(reinterpret_cast<const DriverLinkInfo*>(lParam1));
        case DVM_FORMAT: {
            if (untranslated) return DV_ERR_NOTSUPPORTED;
            auto parameters = reinterpret_cast<const VIDEOCONFIGPARMS*>(lParam2);
            return ConfigureFormat(
                instance, static_cast<DWORD>(lParam1), parameters,
                parameters ? static_cast<BITMAPINFOHEADER*>(parameters->lpData1) : nullptr,
                parameters ? parameters->lpdwReturn : nullptr);
        }
        case DVM_DIALOG:
            if (untranslated) return DV_ERR_NOTSUPPORTED;
            return ShowChannelDialog(instance, static_cast<DWORD>(lParam2),
                                     reinterpret_cast<HWND>(lParam1));
        default:
            // Not handled: DRV_ENABLE, DRV_DISABLE, DRV_INSTALL, DRV_REMOVE,
            // DVM_STREAM_GETPOSITION and everything else. The stream
            // messages and DVM_FRAME are the streaming engine's; without it
            // no stream can be initialised.
            return DV_ERR_NOTSUPPORTED;
    }
}

}  // namespace kmx
