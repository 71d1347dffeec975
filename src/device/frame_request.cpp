#include "device/frame_request.h"

#include "device/kernel_channel.h"

#include <cstring>
#include <new>

namespace kmx {
namespace {

constexpr DWORD kHeaderSize = sizeof(ReadFrameHeader);

BYTE* Record(FrameRequest* block) {
    return reinterpret_cast<BYTE*>(block + 1);
}

BYTE Outcome(FrameRequest* block, DWORD* delivered) {
    *delivered = 0;
    BYTE status = CommandStatus(&block->overlapped, Record(block));
    if (status == kCommandPending || status == kCommandDeviceGone) return status;
    ReadFrameHeader header;
    memcpy(&header, Record(block), sizeof header);
    // The pipeline reads as many bytes as the driver claims: they must lie
    // within the buffer and within what actually arrived.
    auto received = static_cast<DWORD>(block->overlapped.InternalHigh);
    if (received < kHeaderSize || header.delivered > block->capacity ||
        header.delivered > received - kHeaderSize)
        return kCommandWrongLength;
    *delivered = header.delivered;
    return status;
}

}  // namespace

BYTE FrameRequestCreate(CameraConnection& connection, FrameRequest** block, DWORD capacity) {
    // The record's length travels as a 32-bit count.
    if (capacity > MAXDWORD - sizeof(FrameRequest) - kHeaderSize) return kCommandAllocFailed;
    void* memory = ::operator new(sizeof(FrameRequest) + kHeaderSize + capacity, std::nothrow);
    if (!memory) return kCommandAllocFailed;
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!event) {
        ::operator delete(memory);
        return kCommandAllocFailed;
    }
    auto* created = new (memory) FrameRequest{&connection, {}, capacity, 0};
    created->overlapped.hEvent = event;
    *block = created;
    return kCommandSuccess;
}

BYTE FrameRequestStart(FrameRequest* block) {
    CameraConnection& connection = *block->connection;
    ReadFrameHeader header{kCommandUnwritten, connection.stream, block->capacity, 0, {}};
    memcpy(Record(block), &header, sizeof header);
    InterlockedExchange(&block->in_flight, 1);
    BYTE status = SendCommand(connection.device, kReadFrameCode, Record(block),
                              kHeaderSize + block->capacity, nullptr, &block->overlapped);
    if (status == kCommandPending) return kCommandSuccess;
    // Never started, so nothing can be pending on the block; its OVERLAPPED
    // may still read as pending, which must not keep the block alive.
    InterlockedExchange(&block->in_flight, 0);
    if (status == kCommandDeviceGone) CloseDevice(&connection.device);
    return status;
}

BYTE FrameRequestStatus(FrameRequest* block, DWORD* delivered) {
    return Outcome(block, delivered);
}

BYTE FrameRequestData(FrameRequest* block, const BYTE** data) {
    DWORD delivered;
    BYTE status = Outcome(block, &delivered);
    *data = Record(block) + kHeaderSize;
    return status;
}

OVERLAPPED* FrameRequestEvent(FrameRequest* block) {
    return &block->overlapped;
}

BYTE FrameRequestDelete(FrameRequest* block) {
    if (!block) return kCommandSuccess;
    // The driver still writes into a pending read's record and OVERLAPPED.
    if (InterlockedCompareExchange(&block->in_flight, 0, 0) &&
        !HasOverlappedIoCompleted(&block->overlapped))
        return kCommandPending;
    CloseHandle(block->overlapped.hEvent);
    block->~FrameRequest();
    ::operator delete(block);
    return kCommandSuccess;
}

}  // namespace kmx
