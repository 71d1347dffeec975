#include "common/echo_driver.h"

#include <cstring>

namespace kmxtest {

bool EchoDriver::Open(kmxwin::DeviceConnection& connection) {
    if (connection.Suffix() == "\\refuse") return false;
    std::lock_guard guard(lock_);
    connections_.push_back(connection);
    return true;
}

void EchoDriver::Request(std::unique_ptr<kmxwin::DeviceRequest> request) {
    const std::vector<BYTE>& input = request->Input();
    switch (request->ControlCode()) {
        case kEcho:
            request->Complete(STATUS_SUCCESS, input.data(), static_cast<DWORD>(input.size()));
            break;
        case kHold: {
            std::lock_guard guard(lock_);
            held_.push_back(std::move(request));
            changed_.notify_all();
            break;
        }
        case kFail:
            request->Complete(STATUS_BUFFER_TOO_SMALL, nullptr, 0);
            break;
        case kReferenceEvent: {
            uint32_t handle = 0;
            if (input.size() >= sizeof handle) std::memcpy(&handle, input.data(), sizeof handle);
            request->Connection().ReferenceEvent(handle);
            request->Complete(STATUS_SUCCESS, nullptr, 0);
            break;
        }
        case kDisconnect:
            request->Connection().Disconnect();
            break;
        case kOversized: {
            std::vector<BYTE> reply(request->OutputLength() + 16, 0x5A);
            request->Complete(STATUS_SUCCESS, reply.data(), static_cast<DWORD>(reply.size()));
            break;
        }
        case kInputLength: {
            DWORD length = request->InputLength();
            request->Complete(STATUS_SUCCESS, &length, sizeof length);
            break;
        }
        default:
            request->Complete(STATUS_INVALID_DEVICE_REQUEST, nullptr, 0);
    }
}

void EchoDriver::Closed(kmxwin::DeviceConnection& connection) {
    std::lock_guard guard(lock_);
    std::erase(connections_, connection);
    ++closes_;
    changed_.notify_all();
}

void EchoDriver::WaitHeld() {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [this] { return !held_.empty(); });
}

void EchoDriver::CompleteHeld(NTSTATUS status, const std::string& output) {
    std::unique_ptr<kmxwin::DeviceRequest> request;
    {
        std::unique_lock guard(lock_);
        changed_.wait(guard, [this] { return !held_.empty(); });
        request = std::move(held_.front());
        held_.pop_front();
    }
    request->Complete(status, output.data(), static_cast<DWORD>(output.size()));
}

void EchoDriver::SignalEvent(uint32_t handle) {
    std::lock_guard guard(lock_);
    for (kmxwin::DeviceConnection& connection : connections_) connection.SignalEvent(handle);
}

void EchoDriver::ReleaseEvent(uint32_t handle) {
    std::lock_guard guard(lock_);
    for (kmxwin::DeviceConnection& connection : connections_) connection.ReleaseEvent(handle);
}

int EchoDriver::Closes() {
    std::lock_guard guard(lock_);
    return closes_;
}

}  // namespace kmxtest
