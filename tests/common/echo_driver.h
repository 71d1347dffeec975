// A small device driver for the device channel's tests: it echoes requests,
// keeps some to complete later, fails, references and signals client events
// and drops connections, by control code.
#pragma once

#include <kmxwin/device_service.h>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace kmxtest {

// {7A1E4C52-0D3B-4E6A-9C11-5B2F8E04A9D3}
inline constexpr GUID kTestInterfaceClass = {
    0x7A1E4C52, 0x0D3B, 0x4E6A, {0x9C, 0x11, 0x5B, 0x2F, 0x8E, 0x04, 0xA9, 0xD3}};

enum EchoCode : DWORD {
    kEcho = 1,            // completes at once with the input as output
    kHold = 2,            // kept until CompleteHeld
    kFail = 3,            // completes with STATUS_BUFFER_TOO_SMALL
    kReferenceEvent = 4,  // input: a 32-bit event handle, referenced
    kDisconnect = 5,      // ends the connection
    kOversized = 6,       // answers 16 bytes more than the output holds
    kInputLength = 7,     // answers the length of the client's input, 32 bits
};

class EchoDriver : public kmxwin::DeviceDriver {
  public:
    bool Open(kmxwin::DeviceConnection& connection) override;
    void Request(std::unique_ptr<kmxwin::DeviceRequest> request) override;
    void Closed(kmxwin::DeviceConnection& connection) override;

    // Waits until a request is held, then completes the oldest with STATUS
    // and OUTPUT.
    void CompleteHeld(NTSTATUS status, const std::string& output);
    // Waits until a request is held (it is then pending at the client).
    void WaitHeld();
    // Signals or releases an event that a client had referenced.
    void SignalEvent(uint32_t handle);
    void ReleaseEvent(uint32_t handle);
    int Closes();

  private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<kmxwin::DeviceRequest>> held_;
    std::vector<kmxwin::DeviceConnection> connections_;
    int closes_ = 0;
};

}  // namespace kmxtest
