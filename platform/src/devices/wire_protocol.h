// The messages between a device file (the client) and the process serving
// the device interface, over a Unix stream socket. Every message is a fixed
// header followed by payload_length bytes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace kmxwin {

enum class WireType : uint32_t {
    Open = 1,       // client: payload is the path suffix; service answers OpenReply
    OpenReply = 2,  // service: status 0 accepted, else refused; payload is the
                    // driver's input extents
    Request = 3,    // client: id, code, input_length, output_length; payload is the input
                    // (its first bytes for a code the driver gave an extent)
    Cancel = 4,     // client: the request id is abandoned
    Complete = 5,   // service: id, status; payload is the output
    Reference = 6,  // service: id is the client's event handle to reference
    Signal = 7,     // service: set the referenced event
    Release = 8,    // service: drop the reference
    Close = 9,      // client: the handle is being closed
    Closed = 10,    // service: the driver has let the connection go
};

struct WireHeader {
    WireType type;
    uint32_t code;
    uint64_t id;
    uint32_t status;
    uint32_t output_length;
    uint64_t payload_length;
    uint32_t input_length = 0;
    uint32_t reserved = 0;
};
static_assert(sizeof(WireHeader) == 40);

// The largest payload accepted: more than any frame a camera delivers.
constexpr uint64_t kMaxWirePayload = 64u << 20;

// Sends one message; the payload may come in two parts. False when the
// socket is gone.
bool SendMessage(int fd, const WireHeader& header, const void* payload = nullptr,
                 size_t payload_length = 0, const void* more = nullptr, size_t more_length = 0);

// Receives the messages of one end of a connection. It takes whatever the
// socket holds in one read, so that a small message costs one system call;
// a large payload is read straight into its destination. Messages it has
// taken are no longer signalled by poll: HasMessage tells of them.
class WireReader {
  public:
    explicit WireReader(int fd) : fd_(fd), buffer_(kBufferSize) {}

    int Fd() const { return fd_; }
    // Whether a whole message is buffered, so that Receive will not read.
    bool HasMessage() const;
    // Receives one message into HEADER and PAYLOAD (resized). False at the
    // end of the connection or on a malformed message. A payload for which
    // PAYLOAD cannot grow is read past, so that the next message is read
    // whole: the message then comes without it.
    bool Receive(WireHeader& header, std::vector<BYTE>& payload);
    // Receives the next message's header only; false at the end of the
    // connection or on a malformed message. Its payload is to be taken next,
    // with ReceivePayload and Skip.
    bool ReceiveHeader(WireHeader& header);
    // The next LENGTH bytes of the payload into INTO; false at the end of
    // the connection.
    bool ReceivePayload(void* into, size_t length);
    // The next LENGTH bytes of the payload into PAYLOAD (resized), as
    // Receive takes them.
    bool ReceivePayload(std::vector<BYTE>& payload, uint64_t length);
    // Reads past the next LENGTH bytes of the payload.
    bool Skip(uint64_t length);

  private:
    static constexpr size_t kBufferSize = 16 << 10;
    size_t Buffered() const { return end_ - begin_; }
    // Reads what the socket holds (waiting for something) after the
    // buffered bytes; false at the end of the connection.
    bool Fill();

    int fd_;
    std::vector<BYTE> buffer_;
    size_t begin_ = 0, end_ = 0;  // the buffered bytes not yet received
};

}  // namespace kmxwin
