#include "devices/wire_protocol.h"

#include <errno.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace kmxwin {
namespace {

bool ReadFully(int fd, void* buffer, size_t length) {
    auto* bytes = static_cast<BYTE*>(buffer);
    while (length > 0) {
        ssize_t got = read(fd, bytes, length);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        bytes += got;
        length -= static_cast<size_t>(got);
    }
    return true;
}

}  // namespace

bool SendMessage(int fd, const WireHeader& header, const void* payload, size_t payload_length,
                 const void* more, size_t more_length) {
    WireHeader sent = header;
    sent.payload_length = payload_length + more_length;
    iovec parts[3] = {{&sent, sizeof sent},
                      {const_cast<void*>(payload), payload_length},
                      {const_cast<void*>(more), more_length}};
    iovec* next = parts;
    int count = 3;
    while (count > 0) {
        msghdr message{};
        message.msg_iov = next;
        message.msg_iovlen = static_cast<size_t>(count);
        // MSG_NOSIGNAL: a peer that went away is a failed send, not SIGPIPE.
        ssize_t sent_bytes = sendmsg(fd, &message, MSG_NOSIGNAL);
        if (sent_bytes < 0 && errno == EINTR) continue;
        if (sent_bytes < 0) return false;
        auto left = static_cast<size_t>(sent_bytes);
        while (count > 0 && left >= next->iov_len) {
            left -= next->iov_len;
            ++next;
            --count;
        }
        if (count > 0) {
            next->iov_base = static_cast<BYTE*>(next->iov_base) + left;
            next->iov_len -= left;
        }
    }
    return true;
}

bool WireReader::HasMessage() const {
    WireHeader header;
    if (Buffered() < sizeof header) return false;
    std::memcpy(&header, buffer_.data() + begin_, sizeof header);
    return header.payload_length <= Buffered() - sizeof header;
}

bool WireReader::Fill() {
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, Buffered());
        end_ -= begin_;
        begin_ = 0;
    }
    for (;;) {
        ssize_t got = read(fd_, buffer_.data() + end_, buffer_.size() - end_);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        end_ += static_cast<size_t>(got);
        return true;
    }
}

bool WireReader::Skip(uint64_t length) {
    while (length > 0) {
        if (Buffered() == 0 && !Fill()) return false;
        size_t taken = static_cast<size_t>(std::min<uint64_t>(length, Buffered()));
        begin_ += taken;
        length -= taken;
    }
    if (begin_ == end_) begin_ = end_ = 0;
    return true;
}

bool WireReader::ReceiveHeader(WireHeader& header) {
    while (Buffered() < sizeof header)
        if (!Fill()) return false;
    std::memcpy(&header, buffer_.data() + begin_, sizeof header);
    if (header.payload_length > kMaxWirePayload) return false;
    begin_ += sizeof header;
    if (begin_ == end_) begin_ = end_ = 0;
    return true;
}

bool WireReader::ReceivePayload(void* into, size_t length) {
    size_t taken = std::min(length, Buffered());
    if (taken) std::memcpy(into, buffer_.data() + begin_, taken);
    begin_ += taken;
    if (begin_ == end_) begin_ = end_ = 0;
    return taken == length || ReadFully(fd_, static_cast<BYTE*>(into) + taken, length - taken);
}

bool WireReader::ReceivePayload(std::vector<BYTE>& payload, uint64_t length) {
    try {
        // Grown by half again at least, so that payloads of varying size
        // soon settle on one buffer instead of growing with each new
        // largest one.
        if (payload.capacity() < length)
            payload.reserve(std::max<size_t>(length, payload.capacity() + payload.capacity() / 2));
        payload.resize(length);
    } catch (const std::bad_alloc&) {
        payload.clear();
        return Skip(length);
    }
    return ReceivePayload(payload.data(), payload.size());
}

bool WireReader::Receive(WireHeader& header, std::vector<BYTE>& payload) {
    return ReceiveHeader(header) && ReceivePayload(payload, header.payload_length);
}

}  // namespace kmxwin
