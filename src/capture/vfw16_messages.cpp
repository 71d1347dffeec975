#include "capture/vfw16_messages.h"

#include <msviddrv.h>
#include <vfw.h>
#include <wownt32.h>

#include <algorithm>

#include "capture/channel_instances.h"
#include "capture/format_negotiation.h"
#include "capture/stream_operations.h"
#include "capture/vfw16_stream.h"
#include "capture/vfw16_translation.h"

namespace kmx {

DWORD_PTR OpenChannel16(HDRVR driver, DWORD link, DWORD parameters) {
    FixedAddress fixed_parameters(parameters, sizeof(VIDEO_OPEN_PARMS16));
    FixedAddress fixed_link(link, sizeof(DriverLinkInfo16));
    const auto* link16 = fixed_link.As<DriverLinkInfo16>();
    FixedAddress fixed_name(link16 ? link16->name : 0, link16 ? link16->name_length : 0);
    auto* parameters16 = fixed_parameters.As<VIDEO_OPEN_PARMS16>();
    if (!parameters16) {
        // Without open parameters a configuration-only open; with ones that
        // cannot be reached, no open at all.
        return parameters ? 0 : OpenChannel(driver, nullptr, nullptr, nullptr);
    }
    VIDEO_OPEN_PARMS flat = FlatOpenParameters(*parameters16);
    DriverLinkInfo flat_link{};
    if (link16) flat_link = FlatLink(*link16, fixed_name.As<const char>());
    DWORD_PTR instance = OpenChannel(driver, &flat, link16 ? &flat_link : nullptr, flat_link.name);
    parameters16->dwError = flat.dwError;
    return instance;
}

DWORD CloseChannel16(DWORD_PTR instance) {
    DWORD closed = CloseChannel(instance);
    ForgetHeaders16(instance);
    return closed;
}

DWORD ConfigureDriver16(DWORD link) {
    FixedAddress fixed_link(link, sizeof(DriverLinkInfo16));
    const auto* link16 = fixed_link.As<DriverLinkInfo16>();
    if (!link16) return ConfigureDriver(nullptr);
    // Only the identity words are read.
    DriverLinkInfo flat = FlatLink(*link16, nullptr);
    return ConfigureDriver(&flat);
}

DWORD ConfigureFormat16(DWORD_PTR instance, DWORD flags, DWORD parameters) {
    FixedAddress fixed_parameters(parameters, sizeof(VIDEOCONFIGPARMS16));
    const auto* parameters16 = fixed_parameters.As<VIDEOCONFIGPARMS16>();
    // A header announced as shorter than its record is answered as such,
    // never reached beyond what the client announced.
    FixedAddress fixed_data(
        parameters16 ? parameters16->lpData1 : 0,
        parameters16 ? std::min<DWORD>(parameters16->dwSize1, sizeof(BITMAPINFOHEADER)) : 0);
    FixedAddress fixed_return(parameters16 ? parameters16->lpdwReturn : 0, sizeof(DWORD));
    VIDEOCONFIGPARMS flat{};
    if (parameters16)
        flat = {fixed_return.As<DWORD>(), fixed_data.As<void>(), parameters16->dwSize1, nullptr,
                parameters16->dwSize2};
    return ConfigureFormat(instance, flags, parameters16 ? &flat : nullptr,
                           fixed_data.As<BITMAPINFOHEADER>(), fixed_return.As<DWORD>());
}

DWORD ShowChannelDialog16(DWORD_PTR instance, DWORD flags, DWORD window) {
    HWND parent = static_cast<HWND>(WOWHandle32(LOWORD(window), WOW_TYPE_HWND));
    return ShowChannelDialog(instance, flags, parent);
}

DWORD GrabFrame16(DWORD_PTR instance, DWORD header) {
    FixedAddress fixed_header(header, sizeof(VIDEOHDR16));
    auto* header16 = fixed_header.As<VIDEOHDR16>();
    FixedAddress fixed_data(header16 ? header16->lpData : 0,
                            header16 ? header16->dwBufferLength : 0);
    if (!header16) return GrabFrame(instance, nullptr, nullptr);
    VIDEOHDR flat = FlatHeader(*header16, fixed_data.As<BYTE>());
    DWORD result = GrabFrame(instance, &flat, fixed_data.As<BYTE>());
    CopyHeaderResults(flat, *header16);
    return result;
}

DWORD GetStreamError16(DWORD_PTR instance, DWORD error, DWORD skipped) {
    FixedAddress fixed_error(error, sizeof(DWORD));
    FixedAddress fixed_skipped(skipped, sizeof(DWORD));
    return GetStreamError(instance, fixed_error.As<DWORD>(), fixed_skipped.As<DWORD>());
}

}  // namespace kmx
