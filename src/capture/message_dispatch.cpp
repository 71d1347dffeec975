#include "capture/message_dispatch.h"

#include <msviddrv.h>
#include <vfw.h>

#include <kmx512u/kmxvfw.h>

#include <new>

#include "capture/channel_instances.h"
#include "capture/format_negotiation.h"
#include "capture/stream_operations.h"

namespace kmx {
namespace {

VIDEOHDR* Header(LPARAM parameter) {
    return reinterpret_cast<VIDEOHDR*>(parameter);
}

BYTE* DataOf(LPARAM parameter) {
    VIDEOHDR* header = Header(parameter);
    return header ? header->lpData : nullptr;
}

DWORD InitStreamMessage(DWORD_PTR instance, LPARAM parameters) {
    // The stream's callback record is the dispatcher's; the stream keeps
    // it until DVM_STREAM_FINI hands it back.
    auto* callback = new (std::nothrow) StreamCallbackRecord{};
    if (!callback) return DV_ERR_NOMEM;
    bool external = false;
    DWORD result =
        InitStream(instance, reinterpret_cast<const VIDEO_STREAM_INIT_PARMS*>(parameters), callback,
                   0, &external);
    if (result != DV_ERR_OK || external) delete callback;
    return result;
}

DWORD EndStreamMessage(DWORD_PTR instance) {
    StreamCallbackRecord* callback = nullptr;
    DWORD callback16 = 0;
    bool external = false;
    DWORD result = EndStream(instance, &callback, &callback16, &external);
    delete callback;
    return result;
}

}  // namespace

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
        case DVM_FRAME:
            if (untranslated) return DV_ERR_NOTSUPPORTED;
            return GrabFrame(instance, Header(lParam1), DataOf(lParam1));
        case DVM_STREAM_INIT:
            if (untranslated) return DV_ERR_NOTSUPPORTED;
            return InitStreamMessage(instance, lParam1);
        case DVM_STREAM_FINI:
            return EndStreamMessage(instance);
        case DVM_STREAM_PREPAREHEADER:
            if (untranslated) return DV_ERR_NOTSUPPORTED;
            return PrepareStreamHeader(instance, Header(lParam1), DataOf(lParam1), 0);
        case DVM_STREAM_UNPREPAREHEADER:
            if (untranslated) return DV_ERR_NOTSUPPORTED;
            return UnprepareStreamHeader(instance, Header(lParam1));
        case DVM_STREAM_ADDBUFFER:
            if (untranslated) return DV_ERR_NOTSUPPORTED;
            return AddStreamBuffer(instance, Header(lParam1));
        case DVM_STREAM_START:
            return StartStream(instance);
        case DVM_STREAM_STOP:
            return StopStream(instance);
        case DVM_STREAM_RESET:
            return ResetStream(instance);
        case DVM_STREAM_GETERROR:
            if (untranslated) return DV_ERR_NOTSUPPORTED;
            return GetStreamError(instance, reinterpret_cast<DWORD*>(lParam1),
                                  reinterpret_cast<DWORD*>(lParam2));
        default:
            // Not handled: DRV_ENABLE, DRV_DISABLE, DRV_INSTALL, DRV_REMOVE,
            // DVM_STREAM_GETPOSITION and everything else.
            return DV_ERR_NOTSUPPORTED;
    }
}

}  // namespace kmx
