#include "capture/message_dispatch.h"

#include <msviddrv.h>
#include <vfw.h>

#include <kmx512u/kmxvfw.h>

#include <new>

#include "capture/channel_instances.h"
#include "capture/format_negotiation.h"
#include "capture/stream_operations.h"
#include "capture/vfw16_messages.h"
#include "capture/vfw16_stream.h"

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
    FreeStreamCallback(callback, callback16);
    return result;
}

}  // namespace

LRESULT DispatchDriverMessage(DWORD_PTR instance, HDRVR driver, UINT message, LPARAM lParam1,
                              LPARAM lParam2, ClientKind kind) {
    // A 16-bit client's messages that carry addresses go through their
    // wrappers, which translate the 16:16 addresses for the same operation.
    bool wrapped = kind == ClientKind::k16Bit;
    auto address1 = static_cast<DWORD>(lParam1), address2 = static_cast<DWORD>(lParam2);
    switch (message) {
        case DRV_LOAD:
        case DRV_FREE:
        case DRV_QUERYCONFIGURE:
            // All start-up work is done when the library loads.
            return 1;
        case DRV_OPEN: {
            if (wrapped) return static_cast<LRESULT>(OpenChannel16(driver, address1, address2));
            auto link = reinterpret_cast<const DriverLinkInfo*>(lParam1);
            return static_cast<LRESULT>(OpenChannel(driver,
                                                    reinterpret_cast<VIDEO_OPEN_PARMS*>(lParam2),
                                                    link, link ? link->name : nullptr));
        }
        case DRV_CLOSE:
            if (wrapped) return CloseChannel16(instance);
            return CloseChannel(instance);
        case DRV_CONFIGURE:
            if (wrapped) return ConfigureDriver16(address1);
            return ConfigureDriver(reinterpret_cast<const DriverLinkInfo*>(lParam1));
        case DVM_FORMAT: {
            if (wrapped) return ConfigureFormat16(instance, address1, address2);
            auto parameters = reinterpret_cast<const VIDEOCONFIGPARMS*>(lParam2);
            return ConfigureFormat(
                instance, static_cast<DWORD>(lParam1), parameters,
                parameters ? static_cast<BITMAPINFOHEADER*>(parameters->lpData1) : nullptr,
                parameters ? parameters->lpdwReturn : nullptr);
        }
        case DVM_DIALOG:
            if (wrapped) return ShowChannelDialog16(instance, address2, address1);
            return ShowChannelDialog(instance, static_cast<DWORD>(lParam2),
                                     reinterpret_cast<HWND>(lParam1));
        case DVM_FRAME:
            if (wrapped) return GrabFrame16(instance, address1);
            return GrabFrame(instance, Header(lParam1), DataOf(lParam1));
        case DVM_STREAM_INIT:
            if (wrapped) return InitStream16(instance, address1);
            return InitStreamMessage(instance, lParam1);
        case DVM_STREAM_FINI: {
            // The stream hands back its callback record, freed as it was
            // made; a 16-bit client's headers go with their stream.
            DWORD result = EndStreamMessage(instance);
            if (wrapped) ForgetHeaders16(instance);
            return result;
        }
        case DVM_STREAM_PREPAREHEADER:
            if (wrapped) return PrepareStreamHeader16(instance, address1);
            return PrepareStreamHeader(instance, Header(lParam1), DataOf(lParam1), 0);
        case DVM_STREAM_UNPREPAREHEADER:
            if (wrapped) return UnprepareStreamHeader16(instance, address1);
            return UnprepareStreamHeader(instance, Header(lParam1));
        case DVM_STREAM_ADDBUFFER:
            if (wrapped) return AddStreamBuffer16(instance, address1);
            return AddStreamBuffer(instance, Header(lParam1));
        case DVM_STREAM_START:
            return StartStream(instance);
        case DVM_STREAM_STOP:
            return StopStream(instance);
        case DVM_STREAM_RESET:
            return ResetStream(instance);
        case DVM_STREAM_GETERROR:
            if (wrapped) return GetStreamError16(instance, address1, address2);
            return GetStreamError(instance, reinterpret_cast<DWORD*>(lParam1),
                                  reinterpret_cast<DWORD*>(lParam2));
        default:
            // Not handled: DRV_ENABLE, DRV_DISABLE, DRV_INSTALL, DRV_REMOVE,
            // DVM_STREAM_GETPOSITION and everything else.
            return DV_ERR_NOTSUPPORTED;
    }
}

}  // namespace kmx
