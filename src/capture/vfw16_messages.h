// The 16-bit client path's wrappers of the channel, format, dialog, grab
// and stream-error messages: each translates the 16:16 addresses of its
// parameters and of the records they point to, in a fixed order, calls the
// operation a 32-bit client's message reaches, and releases the
// translations in reverse order. The stream wrappers are in vfw16_stream.h.
#pragma once

#include <windows.h>

namespace kmx {

DWORD_PTR OpenChannel16(HDRVR driver, DWORD link, DWORD parameters);
// Closes the channel and lets go of the headers its client left prepared.
DWORD CloseChannel16(DWORD_PTR instance);
DWORD ConfigureDriver16(DWORD link);
DWORD ConfigureFormat16(DWORD_PTR instance, DWORD flags, DWORD parameters);
DWORD ShowChannelDialog16(DWORD_PTR instance, DWORD flags, DWORD window);
DWORD GrabFrame16(DWORD_PTR instance, DWORD header);
DWORD GetStreamError16(DWORD_PTR instance, DWORD error, DWORD skipped);

}  // namespace kmx
