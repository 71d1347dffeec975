// The driver's side of device I/O control: a process that serves a device
// interface, as a kernel-mode driver does on Windows. This is not a Windows
// API; it is what the camera driver service is built on.
//
// A driver registers an interface path under a class GUID; SetupDi* lists it
// and CreateFileA on the path (plus a suffix) reaches the driver's Open. Each
// DeviceIoControl of a client arrives as one DeviceRequest, which the driver
// completes once, at once or later and from any thread. A driver can also
// signal an event of a client process, as a kernel driver signals a user
// event it referenced: the client's event handle is referenced while a
// request of that client is in progress, then signalled and released by the
// handle value at any later time.
#pragma once

#include <ntstatus.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kmxwin {

class DeviceConnectionState;
class DeviceInterfaceState;

// A control code of which the driver reads only the first BYTES of a
// request's input, the rest being room for the reply (as a frame read's
// record is): clients send no more of it than that.
struct InputExtent {
    DWORD code;
    DWORD bytes;
};

// One client's open handle on the interface.
class KMXWIN_API DeviceConnection {
  public:
    explicit DeviceConnection(std::shared_ptr<DeviceConnectionState> state);
    // What the client opened: the part of its path after the interface path.
    const std::string& Suffix() const;
    // The client's process id.
    DWORD ProcessId() const;

    // Takes a reference on the client's event HANDLE. Call it before the
    // request that carried the handle is completed, while the client is sure
    // to hold the handle.
    void ReferenceEvent(uint32_t handle);
    // Signals a referenced event; the reference stays.
    void SignalEvent(uint32_t handle);
    void ReleaseEvent(uint32_t handle);
    // Ends the connection: the client's pending and later requests fail as
    // when the device goes away.
    void Disconnect();
    bool Connected() const;

    bool operator==(const DeviceConnection& other) const { return state_ == other.state_; }

  private:
    std::shared_ptr<DeviceConnectionState> state_;
};

// One I/O control request. Completing it sends the reply; a request that is
// destroyed without being completed is completed with STATUS_CANCELLED.
class KMXWIN_API DeviceRequest {
  public:
    DeviceRequest(std::shared_ptr<DeviceConnectionState> connection, uint64_t id, DWORD code,
                  std::vector<BYTE> input, DWORD input_length, DWORD output_length);
    ~DeviceRequest();
    DeviceRequest(const DeviceRequest&) = delete;
    DeviceRequest& operator=(const DeviceRequest&) = delete;

    // Tells this request from the client's others (see DeviceDriver::Cancel).
    uint64_t Id() const { return id_; }
    DWORD ControlCode() const { return code_; }
    // The input the driver reads: the whole of the client's input buffer,
    // or its first bytes for a code with an InputExtent.
    const std::vector<BYTE>& Input() const { return input_; }
    // The length of the client's input buffer.
    DWORD InputLength() const { return input_length_; }
    DWORD OutputLength() const { return output_length_; }
    DeviceConnection Connection() const;

    // Completes the request with STATUS and LENGTH bytes of OUTPUT (at most
    // OutputLength bytes are sent). Later calls do nothing.
    void Complete(NTSTATUS status, const void* output, DWORD length);
    // Like Complete, for replies assembled from a header and a body.
    void Complete(NTSTATUS status, const void* header, DWORD header_length, const void* body,
                  DWORD body_length);
    bool Completed() const { return completed_; }

  private:
    std::shared_ptr<DeviceConnectionState> connection_;
    uint64_t id_;
    DWORD code_;
    std::vector<BYTE> input_;
    DWORD input_length_;
    DWORD output_length_;
    bool completed_ = false;
};

// What a driver does. The calls come on the interface's own service thread,
// one at a time; they must not block for long.
class DeviceDriver {
  public:
    virtual ~DeviceDriver() = default;
    // A client opens the interface; false refuses (the client's CreateFileA
    // fails with ERROR_FILE_NOT_FOUND).
    virtual bool Open(DeviceConnection& connection) = 0;
    // A request; the driver completes it now or keeps it to complete later.
    virtual void Request(std::unique_ptr<DeviceRequest> request) = 0;
    // The client closed its handle or went away.
    virtual void Closed(DeviceConnection& connection) = 0;
    // The client cancelled the request ID (CancelIo) and has completed it
    // itself; a driver that keeps requests drops it. A reply sent anyway is
    // ignored.
    virtual void Cancel(DeviceConnection&, uint64_t /*id*/) {}
};

// A registered device interface. Destroying it removes the interface and
// ends every connection on it.
class KMXWIN_API DeviceInterface {
  public:
    // Registers PATH under CLASS_GUID and starts serving it with DRIVER,
    // which must outlive the interface; the driver reads no more of the
    // input of the codes in EXTENTS than they say. nullptr with the last
    // error set on failure (ERROR_ALREADY_EXISTS when a live interface has
    // that path).
    static std::unique_ptr<DeviceInterface> Register(const GUID& class_guid,
                                                     const std::string& path, DeviceDriver& driver,
                                                     std::vector<InputExtent> extents = {});
    ~DeviceInterface();
    const std::string& Path() const;

  private:
    explicit DeviceInterface(std::unique_ptr<DeviceInterfaceState> state);
    std::unique_ptr<DeviceInterfaceState> state_;
};

}  // namespace kmxwin
