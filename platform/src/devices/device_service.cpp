// The serving side of device interfaces (kmxwin/device_service.h): one
// thread per interface accepts clients and reads their messages; replies and
// event signals are sent from whichever thread the driver uses.
#include <kmxwin/device_service.h>

#include "devices/interface_registry.h"
#include "devices/wire_protocol.h"
#include "kernel/runtime_dir.h"

#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

namespace kmxwin {

class DeviceConnectionState {
  public:
    explicit DeviceConnectionState(int fd) : reader(fd), fd_(fd) {}
    ~DeviceConnectionState() { close(fd_); }

    bool Send(const WireHeader& header, const void* payload = nullptr, size_t length = 0,
              const void* more = nullptr, size_t more_length = 0) {
        std::lock_guard guard(send_lock_);
        return connected_ && SendMessage(fd_, header, payload, length, more, more_length);
    }
    void SendNotice(WireType type, uint32_t handle) { Send(WireHeader{type, 0, handle, 0, 0, 0}); }
    void Disconnect() {
        std::lock_guard guard(send_lock_);
        if (connected_) shutdown(fd_, SHUT_RDWR);
        connected_ = false;
    }
    bool Connected() {
        std::lock_guard guard(send_lock_);
        return connected_;
    }
    int Fd() const { return fd_; }

    WireReader reader;  // only the service thread reads
    std::string suffix;
    DWORD process_id = 0;
    bool opened = false;  // the driver accepted the open

  private:
    const int fd_;
    std::mutex send_lock_;
    bool connected_ = true;
};

// ---- DeviceConnection

DeviceConnection::DeviceConnection(std::shared_ptr<DeviceConnectionState> state)
    : state_(std::move(state)) {}
const std::string& DeviceConnection::Suffix() const {
    return state_->suffix;
}
DWORD DeviceConnection::ProcessId() const {
    return state_->process_id;
}
void DeviceConnection::ReferenceEvent(uint32_t handle) {
    state_->SendNotice(WireType::Reference, handle);
}
void DeviceConnection::SignalEvent(uint32_t handle) {
    state_->SendNotice(WireType::Signal, handle);
}
void DeviceConnection::ReleaseEvent(uint32_t handle) {
    state_->SendNotice(WireType::Release, handle);
}
void DeviceConnection::Disconnect() {
    state_->Disconnect();
}
bool DeviceConnection::Connected() const {
    return state_->Connected();
}

// ---- DeviceRequest

DeviceRequest::DeviceRequest(std::shared_ptr<DeviceConnectionState> connection, uint64_t id,
                             DWORD code, std::vector<BYTE> input, DWORD input_length,
                             DWORD output_length)
    : connection_(std::move(connection)),
      id_(id),
      code_(code),
      input_(std::move(input)),
      input_length_(input_length),
      output_length_(output_length) {}

DeviceRequest::~DeviceRequest() {
    if (!completed_) Complete(STATUS_CANCELLED, nullptr, 0);
}

DeviceConnection DeviceRequest::Connection() const {
    return DeviceConnection(connection_);
}

void DeviceRequest::Complete(NTSTATUS status, const void* output, DWORD length) {
    Complete(status, output, length, nullptr, 0);
}

void DeviceRequest::Complete(NTSTATUS status, const void* header, DWORD header_length,
                             const void* body, DWORD body_length) {
    if (completed_) return;
    completed_ = true;
    // Never more than the client's buffer holds.
    header_length = std::min(header_length, output_length_);
    body_length = std::min(body_length, output_length_ - header_length);
    connection_->Send(
        WireHeader{WireType::Complete, code_, id_, static_cast<uint32_t>(status), 0, 0}, header,
        header_length, body, body_length);
}

// ---- DeviceInterface

class DeviceInterfaceState {
  public:
    DeviceInterfaceState(std::string path, DeviceDriver& driver, std::vector<InputExtent> extents)
        : path_(std::move(path)), driver_(driver), extents_(std::move(extents)) {}

    ~DeviceInterfaceState() {
        if (thread_.joinable()) {
            uint64_t one = 1;
            if (write(wake_, &one, sizeof one) < 0) {
            }
            thread_.join();
        }
        for (auto& [fd, connection] : connections_) {
            connection->Disconnect();
            if (connection->opened) {
                DeviceConnection closed(connection);
                driver_.Closed(closed);
            }
        }
        connections_.clear();
        registration_.reset();
        if (listen_ >= 0) close(listen_);
        if (wake_ >= 0) close(wake_);
    }

    bool Start(const GUID& class_guid) {
        wake_ = eventfd(0, EFD_CLOEXEC);
        if (wake_ < 0) {
            SetLastError(ErrorFromErrno(errno));
            return false;
        }
        registration_ = InterfaceRegistration::Create(
            class_guid, path_, [this](const std::string& socket) { return Listen(socket); });
        if (!registration_) return false;
        thread_ = std::thread([this] { Serve(); });
        return true;
    }

    const std::string& Path() const { return path_; }

  private:
    bool Listen(const std::string& socket_path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (socket_path.size() >= sizeof address.sun_path) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);
        listen_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listen_ < 0 ||
            bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listen_, 64) != 0) {
            SetLastError(ErrorFromErrno(errno));
            return false;
        }
        return true;
    }

    void Serve() {
        // A request reaches the driver without taking the processor from the
        // client that sent it, as a request to a kernel driver costs its
        // caller no context switch: a batch thread that is woken does not
        // preempt the running one. (Without this, a stream's reads had the
        // reading thread preempted at every other frame.)
        sched_param batch{};
        pthread_setschedparam(pthread_self(), SCHED_BATCH, &batch);
        std::vector<pollfd> watched;
        std::vector<BYTE> payload;
        for (;;) {
            watched.assign({{wake_, POLLIN, 0}, {listen_, POLLIN, 0}});
            for (auto& [fd, connection] : connections_) watched.push_back({fd, POLLIN, 0});
            if (poll(watched.data(), watched.size(), -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (watched[0].revents) return;
            if (watched[1].revents & POLLIN) Accept();
            for (size_t i = 2; i < watched.size(); ++i) {
                if (!watched[i].revents) continue;
                auto found = connections_.find(watched[i].fd);
                if (found != connections_.end() && !Receive(found->second, payload)) Drop(found);
            }
        }
    }

    // Acts on the next message of CONNECTION and on every further one that
    // came with it (poll no longer tells of those); false ends the connection.
    bool Receive(const std::shared_ptr<DeviceConnectionState>& connection,
                 std::vector<BYTE>& payload) {
        do {
            WireHeader header;
            if (!connection->reader.Receive(header, payload) ||
                !Handle(connection, header, payload))
                return false;
        } while (connection->reader.HasMessage());
        return true;
    }

    void Accept() {
        int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        auto connection = std::make_shared<DeviceConnectionState>(fd);
        ucred peer{};
        socklen_t length = sizeof peer;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0)
            connection->process_id = static_cast<DWORD>(peer.pid);
        connections_.emplace(fd, std::move(connection));
    }

    // Acts on one message of a client; false ends the connection.
    bool Handle(const std::shared_ptr<DeviceConnectionState>& connection, const WireHeader& header,
                std::vector<BYTE>& payload) {
        if (!connection->opened) {
            if (header.type != WireType::Open) return false;
            connection->suffix.assign(payload.begin(), payload.end());
            DeviceConnection opening(connection);
            bool accepted = driver_.Open(opening);
            connection->opened = accepted;
            connection->Send(WireHeader{WireType::OpenReply, 0, 0, accepted ? 0u : 1u, 0, 0},
                             extents_.data(), extents_.size() * sizeof(InputExtent));
            return accepted;
        }
        switch (header.type) {
            case WireType::Request:
                // A client never sends more input than its buffer holds.
                if (payload.size() > header.input_length) return false;
                driver_.Request(std::make_unique<DeviceRequest>(
                    connection, header.id, header.code, std::move(payload), header.input_length,
                    header.output_length));
                payload = {};
                return true;
            case WireType::Close: {
                // The driver lets go before the client's CloseHandle returns.
                DeviceConnection closing(connection);
                connection->opened = false;
                driver_.Closed(closing);
                connection->Send(WireHeader{WireType::Closed, 0, 0, 0, 0, 0});
                return false;
            }
            case WireType::Cancel: {
                DeviceConnection cancelling(connection);
                driver_.Cancel(cancelling, header.id);
                return true;
            }
            default:
                return false;
        }
    }

    void Drop(std::map<int, std::shared_ptr<DeviceConnectionState>>::iterator found) {
        std::shared_ptr<DeviceConnectionState> connection = std::move(found->second);
        connections_.erase(found);
        connection->Disconnect();
        if (connection->opened) {
            DeviceConnection closed(connection);
            driver_.Closed(closed);
        }
    }

    const std::string path_;
    DeviceDriver& driver_;
    const std::vector<InputExtent> extents_;
    std::unique_ptr<InterfaceRegistration> registration_;
    int listen_ = -1;
    int wake_ = -1;
    std::thread thread_;
    // Only the service thread touches this (and the destructor after it).
    std::map<int, std::shared_ptr<DeviceConnectionState>> connections_;
};

DeviceInterface::DeviceInterface(std::unique_ptr<DeviceInterfaceState> state)
    : state_(std::move(state)) {}

DeviceInterface::~DeviceInterface() = default;

const std::string& DeviceInterface::Path() const {
    return state_->Path();
}

std::unique_ptr<DeviceInterface> DeviceInterface::Register(const GUID& class_guid,
                                                           const std::string& path,
                                                           DeviceDriver& driver,
                                                           std::vector<InputExtent> extents) {
    auto state = std::make_unique<DeviceInterfaceState>(path, driver, std::move(extents));
    if (!state->Start(class_guid)) return nullptr;
    return std::unique_ptr<DeviceInterface>(new DeviceInterface(std::move(state)));
}

}  // namespace kmxwin
