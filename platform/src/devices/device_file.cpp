// Device files: a connection to the process serving a device interface, and
// DeviceIoControl over it. The service's messages (completions, whose data is
// read straight into the callers' buffers, and the driver's event references
// and signals) are read by one thread at a time: a thread waiting for its own
// request reads them itself, so that its reply reaches it without a
// hand-over; otherwise a receiver thread of the file reads them.
#include <ntstatus.h>

#include <kmxwin/device_service.h>
#include <kmxwin/trace.h>

#include "devices/interface_registry.h"
#include "devices/wire_protocol.h"
#include "kernel/dispatcher.h"
#include "kernel/event.h"
#include "kernel/handle_table.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

namespace kmxwin {
namespace {

DWORD ErrorOfStatus(NTSTATUS status) {
    switch (status) {
        case STATUS_BUFFER_OVERFLOW:
            return ERROR_MORE_DATA;
        case STATUS_INVALID_PARAMETER:
            return ERROR_INVALID_PARAMETER;
        case STATUS_INVALID_DEVICE_REQUEST:
            return ERROR_INVALID_FUNCTION;
        case STATUS_BUFFER_TOO_SMALL:
            return ERROR_INSUFFICIENT_BUFFER;
        case STATUS_INSUFFICIENT_RESOURCES:
            return ERROR_NO_SYSTEM_RESOURCES;
        case STATUS_DEVICE_NOT_CONNECTED:
            return ERROR_DEVICE_NOT_CONNECTED;
        case STATUS_CANCELLED:
            return ERROR_OPERATION_ABORTED;
        default:
            return ERROR_GEN_FAILURE;
    }
}

ULONG_PTR StatusWord(NTSTATUS status) {
    return static_cast<ULONG_PTR>(static_cast<DWORD>(status));
}

// Waits until FD has something to read (or its connection ended). False
// when the calling thread was asked to end first: the read would block it
// past TerminateThread.
bool AwaitReadable(int fd) {
    const int period = static_cast<int>(kTerminationCheckPeriod.count());
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, period) != 0)
            return true;  // readable, hung up, or failed: read and see
        if (TerminationRequested()) return false;
    }
}

// The outcome of a completed OVERLAPPED as a call's result.
BOOL FinishedResult(const OVERLAPPED& overlapped, LPDWORD bytes) {
    if (bytes) *bytes = static_cast<DWORD>(overlapped.InternalHigh);
    auto status = static_cast<NTSTATUS>(overlapped.Internal);
    if (status == STATUS_SUCCESS) return TRUE;
    SetLastError(ErrorOfStatus(status));
    return FALSE;
}

class DeviceFile;

// The device files of the process, so that a thread's end can cancel the
// requests it issued on any of them. Never destroyed: threads may end while
// the process exits.
struct OpenFiles {
    std::mutex lock;
    std::set<DeviceFile*> files;
};
OpenFiles& Files() {
    static OpenFiles* files = new OpenFiles;
    return *files;
}

class DeviceFile : public KernelObject {
  public:
    // Throws when memory runs short; nothing is left behind then.
    DeviceFile(WireReader reader, std::vector<InputExtent> extents, bool overlapped_handle)
        : KernelObject(ObjectType::DeviceFile),
          fd_(reader.Fd()),
          overlapped_handle_(overlapped_handle),
          extents_(std::move(extents)),
          reader_(std::move(reader)) {
        spare_nodes_.reserve(kSpareNodes);
        {
            std::lock_guard guard(Files().lock);
            Files().files.insert(this);
        }
        try {
            receiver_ = std::thread([this] { Receive(); });
        } catch (...) {
            std::lock_guard guard(Files().lock);
            Files().files.erase(this);
            throw;
        }
    }

    ~DeviceFile() override {
        {
            std::lock_guard guard(Files().lock);
            Files().files.erase(this);
        }
        // As on Windows, the driver has let the handle go when CloseHandle
        // returns: it drops the requests still pending (they complete as
        // cancelled) and then acknowledges.
        bool connected;
        {
            std::lock_guard guard(lock_);
            closing_ = true;
            connected = !lost_;
        }
        if (connected) {
            bool sent;
            {
                std::lock_guard guard(send_lock_);
                sent = SendMessage(fd_, WireHeader{WireType::Close, 0, 0, 0, 0, 0});
            }
            if (sent) WaitUntil([this] { return close_acknowledged_ || lost_; });
        }
        {
            std::lock_guard guard(lock_);
            ConnectionLost();
        }
        shutdown(fd_, SHUT_RDWR);
        receiver_.join();
        close(fd_);
    }

    BOOL IoControl(DWORD code, LPVOID input, DWORD input_size, LPVOID output, DWORD output_size,
                   LPDWORD bytes, LPOVERLAPPED overlapped) {
        if ((input_size && !input) || (output_size && !output)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (!overlapped && overlapped_handle_) {
            // Windows needs an OVERLAPPED on a handle opened for overlapped I/O.
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        OVERLAPPED local{};
        OVERLAPPED* target = overlapped ? overlapped : &local;
        // The event is held by its object for the life of the request, as
        // Windows references it: the caller may close its handle as soon as
        // it sees the request completed, and the handle value may name
        // another object by the time the completion signals it.
        std::shared_ptr<KernelObject> event;
        if (target->hEvent) {
            event = LookupHandleAs<KernelObject>(target->hEvent, ObjectType::Event);
            if (!event) return FALSE;
            SetEventObject(*event, false);
        }
        DWORD sent_size = InputSent(code, input_size);
#if defined(__SANITIZE_THREAD__)
        // ThreadSanitizer counts sendmsg's read of the input as made after
        // the call returns, by when the reply may already have been written
        // into the same buffer; the real order (through the socket) is
        // invisible to it. Sending a copy keeps its report for real races.
        std::vector<BYTE> copy(static_cast<BYTE*>(input), static_cast<BYTE*>(input) + sent_size);
        input = copy.data();
#endif
        target->InternalHigh = 0;
        __atomic_store_n(&target->Internal, StatusWord(STATUS_PENDING), __ATOMIC_RELEASE);

        uint64_t id;
        {
            std::lock_guard guard(lock_);
            if (lost_) return FailedAtOnce(*target, STATUS_DEVICE_NOT_CONNECTED);
            id = next_id_++;
            try {
                AddPending(id, Pending{target, std::move(event), output, output_size,
                                       GetCurrentThreadId(), overlapped != nullptr});
            } catch (const std::bad_alloc&) {
                return FailedAtOnce(*target, STATUS_INSUFFICIENT_RESOURCES);
            }
            if (overlapped) receiver_wake_.notify_one();  // it has a reply to wait for
        }
        bool sent;
        {
            std::lock_guard guard(send_lock_);
            sent = SendMessage(
                fd_, WireHeader{WireType::Request, code, id, 0, output_size, 0, input_size}, input,
                sent_size);
        }
        if (!sent) {
            std::lock_guard guard(lock_);
            if (auto found = pending_.find(id);
                found != pending_.end() && !found->second.receiving) {
                RetirePending(found);
                return FailedAtOnce(*target, STATUS_DEVICE_NOT_CONNECTED);
            }
            // The receiver completed it (the connection ended meanwhile).
        }
        if (overlapped) {
            SetLastError(ERROR_IO_PENDING);
            return FALSE;
        }
        // A thread ended while it waits has its requests cancelled, as on
        // Windows; nothing is written into its buffers afterwards.
        if (!WaitForCompletion(local)) CancelThreadRequests();
        return FinishedResult(local, bytes);
    }

    // How much of an input of INPUT_SIZE bytes goes to the driver with a
    // request of CODE: all of it unless the driver reads less.
    DWORD InputSent(DWORD code, DWORD input_size) const {
        for (const InputExtent& extent : extents_)
            if (extent.code == code) return std::min(input_size, extent.bytes);
        return input_size;
    }

    // A request that never reached the driver: its OVERLAPPED must not read
    // as pending.
    static BOOL FailedAtOnce(OVERLAPPED& overlapped, NTSTATUS status) {
        __atomic_store_n(&overlapped.Internal, StatusWord(status), __ATOMIC_RELEASE);
        SetLastError(ErrorOfStatus(status));
        return FALSE;
    }

    // Waits until the request of OVERLAPPED is no longer pending, reading
    // the connection whenever no other thread does. False when the calling
    // thread was asked to end first.
    bool WaitForCompletion(const OVERLAPPED& overlapped) {
        return WaitUntil([&overlapped] { return HasOverlappedIoCompleted(&overlapped); });
    }

    // Completes the calling thread's pending requests as cancelled.
    void CancelThreadRequests() {
        CancelRequestsOf(GetCurrentThreadId());
    }

    // Completes the pending requests that THREAD issued as cancelled.
    void CancelRequestsOf(DWORD thread) {
        CancelRequests([thread](const OVERLAPPED*, DWORD issuer) { return issuer == thread; });
    }

    // Completes as cancelled the pending requests that WANTED picks (by
    // their OVERLAPPED and issuing thread); false when it picked none.
    template <class Wanted>
    bool CancelRequests(Wanted wanted) {
        std::vector<uint64_t> cancelled;
        bool picked = false;
        {
            std::unique_lock guard(lock_);
            for (;;) {
                bool receiving = false;
                for (auto entry = pending_.begin(); entry != pending_.end();) {
                    if (!wanted(entry->second.overlapped, entry->second.thread)) {
                        ++entry;
                        continue;
                    }
                    picked = true;
                    if (entry->second.receiving) {
                        receiving = true;
                        ++entry;
                        continue;
                    }
                    Finish(entry->second, STATUS_CANCELLED);
                    cancelled.push_back(entry->first);
                    entry = RetirePending(entry);
                }
                if (!receiving) break;
                // A reply being read into a request's buffer completes the
                // request in a moment; the buffer is the caller's again only
                // then. A service that stalls in the middle of a message is
                // cut off rather than waited for by a thread asked to end.
                if (completed_.wait_for(guard, kTerminationCheckPeriod) ==
                        std::cv_status::timeout &&
                    TerminationRequested())
                    shutdown(fd_, SHUT_RDWR);
            }
        }
        std::lock_guard guard(send_lock_);
        for (uint64_t id : cancelled)
            SendMessage(fd_, WireHeader{WireType::Cancel, 0, id, 0, 0, 0});
        return picked;
    }

  private:
    struct Pending {
        OVERLAPPED* overlapped;
        std::shared_ptr<KernelObject> event;
        void* output;
        DWORD output_size;
        DWORD thread;
        bool background;  // the caller does not wait in DeviceIoControl
        // Its reply's data is being read into OUTPUT, outside lock_: nothing
        // else may end the request until the reader has.
        bool receiving = false;
    };
    using PendingMap = std::map<uint64_t, Pending>;

    // Registers request ID, in a spare node when there is one; called with
    // lock_ held. Throws std::bad_alloc when memory runs short.
    void AddPending(uint64_t id, Pending pending) {
        if (spare_nodes_.empty()) {
            pending_.emplace(id, std::move(pending));
            return;
        }
        PendingMap::node_type node = std::move(spare_nodes_.back());
        spare_nodes_.pop_back();
        node.key() = id;
        node.mapped() = std::move(pending);
        pending_.insert(std::move(node));
    }

    // Removes a finished request, keeping its node for a later one; the
    // entry after it. Called with lock_ held.
    PendingMap::iterator RetirePending(PendingMap::iterator entry) {
        PendingMap::iterator next = std::next(entry);
        PendingMap::node_type node = pending_.extract(entry);
        node.mapped().event.reset();  // the request no longer holds its event
        if (spare_nodes_.size() < kSpareNodes) spare_nodes_.push_back(std::move(node));
        return next;
    }

    // Fills in a completed request, whose output holds LENGTH bytes (as
    // many as fit); called with lock_ held. Returns the request's event,
    // which the caller sets.
    std::shared_ptr<KernelObject> Complete(Pending& request, NTSTATUS status, uint64_t length) {
        request.overlapped->InternalHigh = std::min<uint64_t>(length, request.output_size);
        // After this store the caller may free the OVERLAPPED: touch it no more.
        __atomic_store_n(&request.overlapped->Internal, StatusWord(status), __ATOMIC_RELEASE);
        completed_.notify_all();
        return std::move(request.event);
    }

    // Completes a request with no output and sets its event; called with
    // lock_ held.
    void Finish(Pending& request, NTSTATUS status) {
        if (std::shared_ptr<KernelObject> event = Complete(request, status, 0))
            SetEventObject(*event);
    }

    // Waits until DONE (checked under lock_), reading the connection
    // whenever no other thread does. Gives way to TerminateThread: false
    // when the calling thread was asked to end before DONE held.
    template <class Done>
    bool WaitUntil(Done done) {
        std::unique_lock guard(lock_);
        ++waiting_readers_;
        bool terminated = false;
        while (!done()) {
            if (TerminationRequested()) {
                terminated = true;
                break;
            }
            if (reading_)
                completed_.wait_for(guard, kTerminationCheckPeriod);
            else
                ReadOne(guard);
        }
        if (--waiting_readers_ == 0 && NeedsReceiver()) receiver_wake_.notify_one();
        return !terminated;
    }

    // Reads and acts on one message, unless the calling thread is asked to
    // end before one comes; called with GUARD holding lock_ and no thread
    // reading. Reading happens outside the lock.
    void ReadOne(std::unique_lock<std::mutex>& guard) {
        reading_ = true;
        guard.unlock();
        WireHeader header;
        bool ready = reader_.HasMessage() || AwaitReadable(fd_);
        bool received = ready && reader_.ReceiveHeader(header);
        Pending* reply = nullptr;
        if (received && header.type == WireType::Complete) {
            guard.lock();
            if (auto found = pending_.find(header.id); found != pending_.end()) {
                reply = &found->second;
                reply->receiving = true;
            }
            guard.unlock();
        }
        if (received) received = ReceivePayload(header, reply);
        guard.lock();
        reading_ = false;
        if (reply) reply->receiving = false;
        std::shared_ptr<KernelObject> event;
        if (received)
            event = Dispatch(header);
        else if (ready)
            ConnectionLost();
        completed_.notify_all();
        // The event's waiter is woken once lock_ is let go. Woken before, it
        // would often run at once in this thread's place and, when it
        // issued its next request, find lock_ held by the thread it
        // displaced.
        if (event) {
            guard.unlock();
            SetEventObject(*event);
            guard.lock();
        }
    }

    // Reads the payload of the message of HEADER, outside lock_: a reply's
    // data straight into the buffer of REPLY, its request (none when it was
    // cancelled), the rest into payload_. False when the connection ended.
    bool ReceivePayload(const WireHeader& header, const Pending* reply) {
        if (header.type != WireType::Complete)
            return reader_.ReceivePayload(payload_, header.payload_length);
        size_t taken = reply ? std::min<uint64_t>(header.payload_length, reply->output_size) : 0;
        return reader_.ReceivePayload(reply ? reply->output : nullptr, taken) &&
               reader_.Skip(header.payload_length - taken);
    }

    // Called with lock_ held. The event that the message sets (a completed
    // request's, or one the driver signals), for the caller to set once it
    // has let go of lock_.
    std::shared_ptr<KernelObject> Dispatch(const WireHeader& header) {
        switch (header.type) {
            case WireType::Complete:
                if (auto found = pending_.find(header.id); found != pending_.end()) {
                    // Its data is in place already.
                    std::shared_ptr<KernelObject> event = Complete(
                        found->second, static_cast<NTSTATUS>(header.status), header.payload_length);
                    RetirePending(found);
                    return event;
                }
                break;
            case WireType::Reference:
                // The client is inside the request that carried the handle,
                // so the handle still names its object.
                // A reference that cannot be kept for want of memory is
                // dropped: the driver's signals then reach nothing.
                if (std::shared_ptr<KernelObject> object = LookupHandle(ToHandle(header.id))) {
                    try {
                        events_[header.id] = std::move(object);
                    } catch (const std::bad_alloc&) {
                        break;
                    }
                    receiver_wake_.notify_one();  // signals may come at any time now
                }
                break;
            case WireType::Signal:
                if (auto found = events_.find(header.id); found != events_.end())
                    return found->second;
                break;
            case WireType::Release:
                events_.erase(header.id);
                break;
            case WireType::Closed:
                close_acknowledged_ = true;
                break;
            default:
                break;
        }
        return nullptr;
    }

    // The connection is over: the service ended, dropped it, or the handle is
    // being closed. Called with lock_ held.
    void ConnectionLost() {
        NTSTATUS status = closing_ ? STATUS_CANCELLED : STATUS_DEVICE_NOT_CONNECTED;
        // A request whose reply is being read ends with the reading, which
        // calls this again if it fails.
        for (auto entry = pending_.begin(); entry != pending_.end();) {
            if (entry->second.receiving) {
                ++entry;
                continue;
            }
            Finish(entry->second, status);
            entry = pending_.erase(entry);
        }
        if (lost_) return;
        lost_ = true;
        events_.clear();
        receiver_wake_.notify_one();
    }

    // Whether a message may come that no waiting thread would read: a reply
    // to a request whose caller went on, or a driver's event signal.
    bool NeedsReceiver() const {
        return !events_.empty() ||
               std::any_of(pending_.begin(), pending_.end(),
                           [](const auto& entry) { return entry.second.background; });
    }

    // Reads while no waiting thread does and someone needs it; ends with the
    // connection (a loss then shows at the next request).
    void Receive() {
        std::unique_lock guard(lock_);
        while (!lost_) {
            if (reading_ || waiting_readers_ > 0 || !NeedsReceiver()) {
                receiver_wake_.wait(guard);
                continue;
            }
            // Messages already taken from the socket are not signalled by it.
            pollfd ready{fd_, POLLIN, 0};
            if (!reader_.HasMessage()) {
                guard.unlock();
                poll(&ready, 1, -1);
                guard.lock();
            }
            // A waiting thread may have read what woke us meanwhile: read
            // only what is there, never block holding the reader's place.
            ready.revents = 0;
            if (!lost_ && !reading_ && waiting_readers_ == 0 &&
                (reader_.HasMessage() || poll(&ready, 1, 0) > 0))
                ReadOne(guard);
        }
    }

    static HANDLE ToHandle(uint64_t value) {
        return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
    }

    const int fd_;
    const bool overlapped_handle_;
    const std::vector<InputExtent> extents_;  // the driver's, from its open reply
    std::mutex send_lock_;                    // one message at a time on the socket
    std::mutex lock_;                         // the rest
    std::condition_variable completed_;       // requests completed, reader left
    std::condition_variable receiver_wake_;   // the receiver may have work
    PendingMap pending_;
    // Finished requests' nodes, kept for the next ones: a stream issues a
    // request for every frame, and these spare it an allocation each time.
    static constexpr size_t kSpareNodes = 8;
    std::vector<PendingMap::node_type> spare_nodes_;
    std::map<uint64_t, std::shared_ptr<KernelObject>> events_;
    uint64_t next_id_ = 1;
    bool lost_ = false;
    bool closing_ = false;
    bool close_acknowledged_ = false;
    bool reading_ = false;       // a thread is reading the connection
    int waiting_readers_ = 0;    // threads waiting for their own requests
    WireReader reader_;          // used by the thread that is reading
    std::vector<BYTE> payload_;  // the reader's, for messages other than replies
    std::thread receiver_;
};

// An open connection to a device interface.
struct Connection {
    WireReader reader;
    std::vector<InputExtent> extents;
};

// Connects to the service of RECORD and opens SUFFIX; the connection, or
// nothing.
std::optional<Connection> Connect(const InterfaceRecord& record, const std::string& suffix) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (record.socket.size() >= sizeof address.sun_path) return std::nullopt;
    std::memcpy(address.sun_path, record.socket.c_str(), record.socket.size() + 1);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    WireReader reader(fd);
    WireHeader reply;
    std::vector<BYTE> payload;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        !SendMessage(fd, WireHeader{WireType::Open, 0, 0, 0, 0, 0}, suffix.data(), suffix.size()) ||
        !AwaitReadable(fd) || !reader.Receive(reply, payload) ||
        reply.type != WireType::OpenReply || reply.status != 0) {
        close(fd);
        return std::nullopt;
    }
    std::vector<InputExtent> extents(payload.size() / sizeof(InputExtent));
    if (!extents.empty())
        std::memcpy(extents.data(), payload.data(), extents.size() * sizeof(InputExtent));
    return Connection{std::move(reader), std::move(extents)};
}

// A thread's end cancels the requests it issued, on every file.
void CancelRequestsOfThread(DWORD thread) {
    std::lock_guard guard(Files().lock);
    for (DeviceFile* file : Files().files) file->CancelRequestsOf(thread);
}

const bool g_cancels_at_thread_end = (SetThreadEndWork(CancelRequestsOfThread), true);

std::shared_ptr<DeviceFile> DeviceFileOfHandle(HANDLE handle) {
    return LookupHandleAs<DeviceFile>(handle, ObjectType::DeviceFile);
}

HANDLE OpenDeviceFile(LPCSTR path, DWORD disposition, DWORD flags) {
    if (!path || disposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string suffix;
    std::optional<InterfaceRecord> record = FindInterface(path, suffix);
    std::optional<Connection> connection = record ? Connect(*record, suffix) : std::nullopt;
    if (!connection) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = InsertHandle(std::make_shared<DeviceFile>(std::move(connection->reader),
                                                              std::move(connection->extents),
                                                              (flags & FILE_FLAG_OVERLAPPED) != 0));
    if (!handle) return INVALID_HANDLE_VALUE;
    SetLastError(ERROR_SUCCESS);
    return handle;
}

}  // namespace
}  // namespace kmxwin

using namespace kmxwin;

extern "C" {

// The blocking calls below give way to TerminateThread inside; the thread
// then ends at the TerminationPoint after them, where nothing of theirs is
// held any more.

KMX_TRACED(devices, HANDLE WINAPI, CreateFileA, (LPCSTR, lpFileName),
           ([[maybe_unused]] DWORD, dwDesiredAccess), ([[maybe_unused]] DWORD, dwShareMode),
           ([[maybe_unused]] LPSECURITY_ATTRIBUTES, lpSecurityAttributes),
           (DWORD, dwCreationDisposition), (DWORD, dwFlagsAndAttributes),
           ([[maybe_unused]] HANDLE, hTemplateFile)) {
    TerminationPoint();
    HANDLE handle = OpenDeviceFile(lpFileName, dwCreationDisposition, dwFlagsAndAttributes);
    // A handle the ending thread would never hand over is not left open.
    if (handle != INVALID_HANDLE_VALUE && TerminationRequested()) RemoveHandle(handle);
    TerminationPoint();
    return handle;
}

KMX_TRACED(devices, BOOL WINAPI, DeviceIoControl, (HANDLE, hDevice), (DWORD, dwIoControlCode),
           (LPVOID, lpInBuffer), (DWORD, nInBufferSize), (LPVOID, lpOutBuffer),
           (DWORD, nOutBufferSize), (LPDWORD, lpBytesReturned), (LPOVERLAPPED, lpOverlapped)) {
    TerminationPoint();
    std::shared_ptr<DeviceFile> file = DeviceFileOfHandle(hDevice);
    if (!file) return FALSE;
    BOOL result = file->IoControl(dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer,
                                  nOutBufferSize, lpBytesReturned, lpOverlapped);
    file.reset();
    TerminationPoint();
    return result;
}

KMX_TRACED(devices, BOOL WINAPI, GetOverlappedResult, (HANDLE, hFile), (LPOVERLAPPED, lpOverlapped),
           (LPDWORD, lpNumberOfBytesTransferred), (BOOL, bWait)) {
    TerminationPoint();
    std::shared_ptr<DeviceFile> file = DeviceFileOfHandle(hFile);
    if (!file) return FALSE;
    if (!lpOverlapped) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!HasOverlappedIoCompleted(lpOverlapped)) {
        if (!bWait) {
            SetLastError(ERROR_IO_INCOMPLETE);
            return FALSE;
        }
        if (!file->WaitForCompletion(*lpOverlapped)) {
            // Asked to end while waiting: as on Windows, the requests the
            // thread issued are cancelled with it.
            file->CancelThreadRequests();
            file.reset();
            TerminationPoint();
        }
    }
    return FinishedResult(*lpOverlapped, lpNumberOfBytesTransferred);
}

KMX_TRACED(devices, BOOL WINAPI, CancelIo, (HANDLE, hFile)) {
    TerminationPoint();
    std::shared_ptr<DeviceFile> file = DeviceFileOfHandle(hFile);
    if (!file) return FALSE;
    file->CancelThreadRequests();
    return TRUE;
}

BOOL WINAPI CancelIoEx(HANDLE hFile, LPOVERLAPPED lpOverlapped) {
    TerminationPoint();
    std::shared_ptr<DeviceFile> file = DeviceFileOfHandle(hFile);
    if (!file) return FALSE;
    if (file->CancelRequests([lpOverlapped](const OVERLAPPED* overlapped, DWORD) {
            return !lpOverlapped || overlapped == lpOverlapped;
        }))
        return TRUE;
    SetLastError(ERROR_NOT_FOUND);
    return FALSE;
}

}  // extern "C"
