// The client buffers of a stream: preparing and unpreparing headers,
// queueing them, handing them back unfilled, and the queue that frame
// delivery takes them from, oldest first.
#include <algorithm>
#include <new>

#include "capture/stream_engine.h"
#include "capture/stream_operations.h"
#include "capture/vfw16_stream.h"

namespace kmx {
namespace {

class QueueLock {
  public:
    explicit QueueLock(StreamState& stream) : lock_(stream.queue_lock) {
        EnterCriticalSection(&lock_);
    }
    ~QueueLock() { LeaveCriticalSection(&lock_); }
    QueueLock(const QueueLock&) = delete;
    QueueLock& operator=(const QueueLock&) = delete;

  private:
    CRITICAL_SECTION& lock_;
};

BufferLink* Link(const VIDEOHDR* header) {
    return reinterpret_cast<BufferLink*>(header->dwReserved[0]);
}

// Called with the queue lock held.
BufferLink* FindLink(StreamState& stream, const VIDEOHDR* header) {
    // Only a link this stream handed out is ever followed: a header the
    // client never prepared, or prepared for an earlier stream, carries
    // whatever its dwReserved[0] holds.
    BufferLink* link = Link(header);
    if (!link) return nullptr;
    auto found = std::find(stream.prepared.begin(), stream.prepared.end(), link);
    return found == stream.prepared.end() ? nullptr : link;
}

}  // namespace

DWORD_PTR HeaderCallbackAddress(VIDEOHDR* header) {
    // A 32-bit client has no 16:16 address; it is told the header itself,
    // so that it knows which buffer came back.
    DWORD_PTR address = Link(header)->callback_address;
    if (!address) return reinterpret_cast<DWORD_PTR>(header);
    // A 16-bit client reads the header in its own memory: it must show what
    // the stream did to it before the client hears of it.
    PublishHeader16(header);
    return address;
}

VIDEOHDR* TakeQueuedHeader(StreamState& stream) {
    QueueLock guard(stream);
    VIDEOHDR* header = stream.queue_head;
    if (!header) return nullptr;
    stream.queue_head = Link(header)->next;
    if (!stream.queue_head) stream.queue_tail = nullptr;
    Link(header)->next = nullptr;
    --stream.queued;
    header->dwFlags &= ~VHDR_INQUEUE;
    return header;
}

void RequeueAtHead(StreamState& stream, VIDEOHDR* header) {
    QueueLock guard(stream);
    header->dwBytesUsed = 0;
    header->dwFlags = (header->dwFlags | VHDR_INQUEUE) & ~VHDR_DONE;
    Link(header)->next = stream.queue_head;
    stream.queue_head = header;
    if (!stream.queue_tail) stream.queue_tail = header;
    ++stream.queued;
}

DWORD PrepareStreamHeader(DWORD_PTR instance, VIDEOHDR* header, BYTE* data,
                          DWORD_PTR callback_address) {
    StreamState* found_stream = nullptr;
    DWORD found = FindStream(instance, &found_stream);
    if (found != DV_ERR_OK) return found;
    if (!header) return DV_ERR_NONSPECIFIC;
    StreamState& stream = *found_stream;
    auto* link = new (std::nothrow) BufferLink{callback_address, nullptr, data};
    bool listed = false;
    if (link) {
        QueueLock guard(stream);
        try {
            stream.prepared.push_back(link);
            listed = true;
        } catch (const std::bad_alloc&) {
        }
    }
    if (!listed) {
        delete link;
        std::fill(std::begin(header->dwReserved), std::end(header->dwReserved), 0);
        return DV_ERR_NONSPECIFIC;
    }
    header->dwReserved[0] = reinterpret_cast<DWORD_PTR>(link);
    std::fill(std::begin(header->dwReserved) + 1, std::end(header->dwReserved), 0);
    return DV_ERR_OK;
}

DWORD UnprepareStreamHeader(DWORD_PTR instance, VIDEOHDR* header) {
    StreamState* found_stream = nullptr;
    DWORD found = FindStream(instance, &found_stream);
    if (found != DV_ERR_OK) return found;
    if (!header) return DV_ERR_NONSPECIFIC;
    StreamState& stream = *found_stream;
    BufferLink* link = nullptr;
    {
        QueueLock guard(stream);
        // The queue runs through the links: a queued header keeps its own
        // until it has been handed back.
        if (header->dwFlags & VHDR_INQUEUE && FindLink(stream, header)) return DV_ERR_STILLPLAYING;
        link = FindLink(stream, header);
        if (link) std::erase(stream.prepared, link);
    }
    delete link;
    header->dwReserved[0] = 0;
    return DV_ERR_OK;
}

DWORD AddStreamBuffer(DWORD_PTR instance, VIDEOHDR* header) {
    StreamState* found_stream = nullptr;
    DWORD found = FindStream(instance, &found_stream);
    if (found != DV_ERR_OK) return found;
    if (!header) return DV_ERR_NONSPECIFIC;
    StreamState& stream = *found_stream;
    if (!(header->dwFlags & VHDR_PREPARED)) return DV_ERR_UNPREPARED;
    if (header->dwFlags & VHDR_INQUEUE) return DV_ERR_NONSPECIFIC;
    QueueLock guard(stream);
    BufferLink* link = FindLink(stream, header);
    if (!link) return DV_ERR_UNPREPARED;
    header->dwFlags = (header->dwFlags & ~VHDR_DONE) | VHDR_INQUEUE;
    header->dwBytesUsed = 0;
    link->next = nullptr;
    if (stream.queue_tail)
        Link(stream.queue_tail)->next = header;
    else
        stream.queue_head = header;
    stream.queue_tail = header;
    ++stream.queued;
    if (link->callback_address) PublishHeader16(header);
    return DV_ERR_OK;
}

DWORD ResetStream(DWORD_PTR instance) {
    StreamState* found_stream = nullptr;
    DWORD found = FindStream(instance, &found_stream);
    if (found != DV_ERR_OK) return found;
    StreamState& stream = *found_stream;
    while (VIDEOHDR* header = TakeQueuedHeader(stream))
        NotifyClient(stream, KMXVFW_STREAM_DATA, HeaderCallbackAddress(header));
    return DV_ERR_OK;
}

}  // namespace kmx
