#include "stream_capture.h"

#include "failures.h"

namespace kmxcap {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

StreamCapture::StreamCapture(const CaptureChannel& channel, size_t buffers, DWORD buffer_bytes,
                             DWORD microseconds)
    : channel_(channel), headers_(buffers), ready_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
    if (!ready_) kmxtool::FailSystem("creating an event", GetLastError());
    try {
        VIDEO_STREAM_INIT_PARMS parameters{microseconds, reinterpret_cast<DWORD_PTR>(&Callback),
                                           reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION,
                                           nullptr};
        channel_.Check("starting the stream", DVM_STREAM_INIT,
                       reinterpret_cast<LPARAM>(&parameters), sizeof parameters);
        initialised_ = true;
        for (VIDEOHDR& header : headers_) {
            data_.emplace_back(buffer_bytes);
            header.lpData = data_.back().data();
            header.dwBufferLength = buffer_bytes;
            channel_.Check("preparing a buffer", DVM_STREAM_PREPAREHEADER,
                           reinterpret_cast<LPARAM>(&header), sizeof header);
            // What msvideo marks on a header it has prepared.
            header.dwFlags |= VHDR_PREPARED;
            Requeue(header);
        }
        channel_.Check("starting the stream", DVM_STREAM_START);
        started_ = true;
    } catch (...) {
        End();
        CloseHandle(ready_);
        throw;
    }
}

StreamCapture::~StreamCapture() {
    End();
    CloseHandle(ready_);
}

void StreamCapture::End() {
    if (started_) channel_.Send(DVM_STREAM_STOP);
    started_ = false;
    if (!initialised_) return;
    // The reset hands back every queued buffer unfilled; none is in use after it.
    channel_.Send(DVM_STREAM_RESET);
    for (VIDEOHDR& header : headers_) {
        if (!(header.dwFlags & VHDR_PREPARED)) continue;
        channel_.Send(DVM_STREAM_UNPREPAREHEADER, reinterpret_cast<LPARAM>(&header), sizeof header);
        header.dwFlags &= ~VHDR_PREPARED;
    }
    channel_.Send(DVM_STREAM_FINI);
    initialised_ = false;
}

void StreamCapture::Requeue(VIDEOHDR& header) {
    header.dwFlags &= ~VHDR_DONE;
    channel_.Check("queueing a buffer", DVM_STREAM_ADDBUFFER, reinterpret_cast<LPARAM>(&header),
                   sizeof header);
}

DWORD StreamCapture::Skipped() const {
    DWORD error = 0, skipped = 0;
    if (initialised_)
        channel_.Send(DVM_STREAM_GETERROR, reinterpret_cast<LPARAM>(&error),
                      reinterpret_cast<LPARAM>(&skipped));
    return skipped;
}

std::optional<DeliveredFrame> StreamCapture::Next(HANDLE interrupt, milliseconds timeout) {
    auto deadline = steady_clock::now() + timeout;
    for (;;) {
        {
            std::lock_guard guard(lock_);
            if (!delivered_.empty()) {
                DeliveredFrame frame = delivered_.front();
                delivered_.pop_front();
                return frame;
            }
        }
        // Rounded up, and looked at again after a time-out, which may come a
        // little early: the wait never ends before the deadline.
        auto left = std::chrono::ceil<milliseconds>(deadline - steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        HANDLE events[2] = {ready_, interrupt};
        DWORD woke = WaitForMultipleObjects(interrupt ? 2 : 1, events, FALSE,
                                            static_cast<DWORD>(left.count()));
        if (woke != WAIT_OBJECT_0 && woke != WAIT_TIMEOUT) return std::nullopt;
    }
}

void CALLBACK StreamCapture::Callback(HDRVR, UINT message, DWORD_PTR instance, DWORD_PTR parameter,
                                      DWORD_PTR) {
    // Only filled buffers count: the reset hands the others back undone.
    auto* header = reinterpret_cast<VIDEOHDR*>(parameter);
    if (message == MM_DRVM_DATA && header && (header->dwFlags & VHDR_DONE))
        reinterpret_cast<StreamCapture*>(instance)->Delivered(header);
}

void StreamCapture::Delivered(VIDEOHDR* header) {
    auto now = steady_clock::now();
    {
        std::lock_guard guard(lock_);
        if (!first_) first_ = now - milliseconds(header->dwTimeCaptured);
        auto late = std::chrono::duration_cast<milliseconds>(now - *first_) -
                    milliseconds(header->dwTimeCaptured);
        delivered_.push_back({header, std::max(late, milliseconds(0))});
    }
    SetEvent(ready_);
}

}  // namespace kmxcap
