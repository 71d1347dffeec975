// What the 16-bit client path's wrappers translate with: a 16:16 address
// fixed for as long as its holder lives, and the 16-bit records of a
// 16-bit client turned into the flat records the channel, format and
// stream operations take (the 16-bit layouts hold 16:16 addresses and
// 16-bit handles where the flat ones hold pointers and handles).
#pragma once

#include <windows.h>
#include <msviddrv.h>
#include <vfw.h>

#include <kmx512u/kmxvfw.h>
#include <kmxwin/vfw16.h>

namespace kmx {

// A 16:16 address fixed with WOWGetVDMPointerFix and unfixed when the
// holder goes, unless Keep hands the fix on. A null address, or one the
// 16-bit address space does not map, gives a null pointer and fixes
// nothing.
class FixedAddress {
  public:
    FixedAddress(DWORD address, DWORD size);
    ~FixedAddress();
    FixedAddress(const FixedAddress&) = delete;
    FixedAddress& operator=(const FixedAddress&) = delete;

    template <typename T>
    T* As() const {
        return static_cast<T*>(flat_);
    }
    explicit operator bool() const { return flat_ != nullptr; }
    // Leaves the fix in place for a later WOWGetVDMPointerUnfix of the
    // address, which is returned.
    DWORD Keep();

  private:
    DWORD address_;
    void* flat_;
};

VIDEO_OPEN_PARMS FlatOpenParameters(const VIDEO_OPEN_PARMS16& parameters);
// NAME is the flat form of the record's name address.
DriverLinkInfo FlatLink(const DriverLinkInfo16& link, LPCSTR name);
VIDEO_STREAM_INIT_PARMS FlatInitParameters(const VIDEO_STREAM_INIT_PARMS16& parameters);
StreamCallbackRecord16 NarrowCallbackRecord(const StreamCallbackRecord& record);
// The header with DATA as its data; the driver's reserved words empty.
VIDEOHDR FlatHeader(const VIDEOHDR16& header, BYTE* data);
// What an operation did to a header: used bytes, capture time and flags.
void CopyHeaderResults(const VIDEOHDR& from, VIDEOHDR16& to);

}  // namespace kmx
