#include "capture/vfw16_translation.h"

#include <wownt32.h>

namespace kmx {
namespace {

// A 16-bit handle or code address as the flat records hold it.
HANDLE WidenedHandle(DWORD handle) {
    return reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(handle));
}

DWORD NarrowWord(DWORD_PTR value) {
    return static_cast<DWORD>(value);
}

}  // namespace

FixedAddress::FixedAddress(DWORD address, DWORD size)
    : address_(address), flat_(address ? WOWGetVDMPointerFix(address, size, TRUE) : nullptr) {}

FixedAddress::~FixedAddress() {
    if (flat_) WOWGetVDMPointerUnfix(address_);
}

DWORD FixedAddress::Keep() {
    flat_ = nullptr;
    return address_;
}

VIDEO_OPEN_PARMS FlatOpenParameters(const VIDEO_OPEN_PARMS16& parameters) {
    // The reserved pointers are not the driver's to follow.
    VIDEO_OPEN_PARMS flat{};
    flat.dwSize = parameters.dwSize;
    flat.fccType = parameters.fccType;
    flat.fccComp = parameters.fccComp;
    flat.dwVersion = parameters.dwVersion;
    flat.dwFlags = parameters.dwFlags;
    flat.dwError = parameters.dwError;
    flat.dnDevNode = parameters.dnDevNode;
    return flat;
}

DriverLinkInfo FlatLink(const DriverLinkInfo16& link, LPCSTR name) {
    return {link.reserved, link.identity2, link.identity1, name, link.name_length};
}

VIDEO_STREAM_INIT_PARMS FlatInitParameters(const VIDEO_STREAM_INIT_PARMS16& parameters) {
    return {parameters.dwMicroSecPerFrame, parameters.dwCallback, parameters.dwCallbackInst,
            parameters.dwFlags, WidenedHandle(parameters.hVideo)};
}

StreamCallbackRecord16 NarrowCallbackRecord(const StreamCallbackRecord& record) {
    // Every word came from the 16-bit client's init parameters, or is a
    // 16:16 address or a count: none is wider than 32 bits.
    return {record.microseconds_per_frame,
            NarrowWord(record.callback),
            NarrowWord(record.callback_instance),
            record.flags,
            NarrowWord(reinterpret_cast<DWORD_PTR>(record.video)),
            NarrowWord(record.parameter)};
}

VIDEOHDR FlatHeader(const VIDEOHDR16& header, BYTE* data) {
    VIDEOHDR flat{};
    flat.lpData = data;
    flat.dwBufferLength = header.dwBufferLength;
    flat.dwBytesUsed = header.dwBytesUsed;
    flat.dwTimeCaptured = header.dwTimeCaptured;
    flat.dwUser = header.dwUser;
    flat.dwFlags = header.dwFlags;
    return flat;
}

void CopyHeaderResults(const VIDEOHDR& from, VIDEOHDR16& to) {
    to.dwBytesUsed = from.dwBytesUsed;
    to.dwTimeCaptured = from.dwTimeCaptured;
    to.dwFlags = from.dwFlags;
}

}  // namespace kmx
