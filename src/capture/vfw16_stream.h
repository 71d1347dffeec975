// A 16-bit client's stream: its callback record in a 16-bit shared block,
// and its headers, which live in 16-bit memory in the 16-bit layout while
// the stream works on a flat copy of each from prepare to unprepare. The
// stream engine calls back here wherever a 16-bit client must see what it
// did: before it tells the client of a header, and for every message to
// the client's linking driver.
#pragma once

#include <windows.h>
#include <vfw.h>

#include <kmx512u/kmxvfw.h>

namespace kmx {

// The wrappers of DVM_STREAM_INIT, _PREPAREHEADER, _UNPREPAREHEADER and
// _ADDBUFFER; the arguments are the client's 16:16 addresses. A 16-bit
// DVM_STREAM_FINI is a 32-bit client's, then ForgetHeaders16.
DWORD InitStream16(DWORD_PTR instance, DWORD parameters);
DWORD PrepareStreamHeader16(DWORD_PTR instance, DWORD header);
DWORD UnprepareStreamHeader16(DWORD_PTR instance, DWORD header);
DWORD AddStreamBuffer16(DWORD_PTR instance, DWORD header);
// Lets go of the headers that INSTANCE's client left prepared when its
// stream or its channel ended.
void ForgetHeaders16(DWORD_PTR instance);

// Frees a stream's callback record as the dispatcher made it: a 16-bit
// client's (CALLBACK16 not 0) with its 16-bit block.
void FreeStreamCallback(StreamCallbackRecord* callback, DWORD callback16);
// Shows a 16-bit client the state of HEADER, a flat copy made by
// PrepareStreamHeader16.
void PublishHeader16(const VIDEOHDR* header);
// Sends MESSAGE with a copy of RECORD in 16-bit memory, by its 16:16
// address, to the linking driver of a 16-bit client whose stream's callback
// record is CALLBACK. Its reply.
LRESULT NotifyClient16(StreamCallbackRecord& callback, HDRVR linking_driver, UINT message,
                       const StreamCallbackRecord& record);

}  // namespace kmx
