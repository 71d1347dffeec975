#include "camera_driver.h"

#include <strings.h>

#include <cstring>
#include <sstream>

namespace kmxcam {

namespace {

enum class Family { Connection, ReadFrame, Interface, Debug, Unknown };

Family FamilyOf(DWORD code) {
    if (code == kReadFrameCode) return Family::ReadFrame;
    if (code >= kInterfaceVersionCode && code <= kConnectionIdentityCode && code % 4 == 0)
        return Family::Connection;
    if (code >= kCameraIdentityCode && code <= kAbortVideoCaptureCode && code % 4 == 0)
        return Family::Interface;
    if (code >= kDebugVersionCode && code <= kDebugNotificationDescriptorCode && code % 4 == 0)
        return Family::Debug;
    return Family::Unknown;
}

template <class Record>
Record Read(std::span<const BYTE> bytes) {
    Record record;
    std::memcpy(&record, bytes.data(), sizeof record);
    return record;
}

template <class Record>
void Write(std::span<BYTE> bytes, const Record& record) {
    std::memcpy(bytes.data(), &record, sizeof record);
}

void Reply(kmxwin::DeviceRequest& request, std::span<const BYTE> record) {
    request.Complete(STATUS_SUCCESS, record.data(), static_cast<DWORD>(record.size()));
}

}  // namespace

bool CameraDriver::Open(kmxwin::DeviceConnection& connection) {
    return strcasecmp(connection.Suffix().c_str(), kConnectSuffix) == 0;
}

void CameraDriver::Request(std::unique_ptr<kmxwin::DeviceRequest> request) {
    std::optional<Fault> fault;
    {
        std::lock_guard guard(lock_);
        fault = faults_.Take(request->ControlCode());
        if (fault && fault->kind == FaultKind::Stall) {
            stalled_.push_back(std::move(request));
            stalling_.notify_all();
            return;
        }
    }
    if (!fault) return Execute(std::move(request), false);
    // A faulty reply echoes the record as the client sent it, the room it
    // did not send included.
    std::vector<BYTE> record = request->Input();
    record.resize(request->InputLength());
    switch (fault->kind) {
        case FaultKind::Drop:
            request->Connection().Disconnect();
            return;
        case FaultKind::Status:
            if (!record.empty()) record[0] = fault->status;
            return Reply(*request, record);
        case FaultKind::WrongLength:
            // Short by one word: a reply can never be longer than the
            // client's buffer.
            if (!record.empty()) record[0] = kSuccess;
            record.resize(record.size() >= 4 ? record.size() - 4 : 0);
            return Reply(*request, record);
        case FaultKind::Unwritten:
            // A read is answered at once, with nothing delivered.
            if (request->ControlCode() == kReadFrameCode) return Reply(*request, record);
            return Execute(std::move(request), true);
        case FaultKind::Stall:
            break;
    }
}

void CameraDriver::Execute(std::unique_ptr<kmxwin::DeviceRequest> request, bool leave_status) {
    std::vector<BYTE> record = request->Input();
    Family family = FamilyOf(request->ControlCode());
    // Too short to carry a status, or a code this driver does not know: the
    // request fails as a kernel driver fails it.
    if (family == Family::Unknown)
        return request->Complete(STATUS_INVALID_DEVICE_REQUEST, nullptr, 0);
    if (record.size() < 4) return request->Complete(STATUS_INVALID_PARAMETER, nullptr, 0);
    kmxwin::DeviceConnection client = request->Connection();
    uint8_t status = kSuccess;
    switch (family) {
        case Family::ReadFrame: {
            if (record.size() < sizeof(ReadFrameHeader)) {
                status = kBufferTooSmall;
                break;
            }
            auto header = Read<ReadFrameHeader>(record);
            // The capacity may not claim more room than the record brings.
            if (header.capacity > request->InputLength() - sizeof header) {
                status = kBadParameter;
                break;
            }
            return camera_.Read(std::move(request), header);
        }
        case Family::Connection:
            status = Connection(request->ControlCode(), record, client);
            break;
        case Family::Interface:
            status = Interface(request->ControlCode(), record, client);
            break;
        case Family::Debug:
            status = Debug(request->ControlCode(), record);
            break;
        case Family::Unknown:
            break;
    }
    if (!leave_status) record[0] = status;
    Reply(*request, record);
}

uint8_t CameraDriver::Connection(DWORD code, std::span<BYTE> bytes,
                                 const kmxwin::DeviceConnection& client) {
    if (bytes.size() != sizeof(ConnectionRecord))
        return bytes.size() < sizeof(ConnectionRecord) ? kBufferTooSmall : kBufferTooLarge;
    auto record = Read<ConnectionRecord>(bytes);
    std::span<BYTE> payload(record.payload);
    auto format = Read<FormatRecord>(payload);
    const auto word = Read<uint32_t>(payload);
    uint8_t status = kSuccess;
    switch (code) {
        case kInterfaceVersionCode: {
            uint16_t version = kDriverInterfaceVersion;
            Write(payload, version);
            break;
        }
        case kStreamOpenCode: {
            uint32_t stream = 0;
            status = camera_.OpenStream(client, format, stream);
            if (status == kSuccess) Write(payload, stream);
            break;
        }
        case kStreamCloseCode:
            status = camera_.CloseStream(record.stream);
            if (status == kSuccess) record.stream = 0;
            break;
        case kGetModeCode:
            Write(payload, camera_.Mode());
            break;
        case kSetModeCode:
            status = camera_.SetMode(Read<uint32_t>(payload));
            break;
        case kGetModeDescriptorCode: {
            FormatDescriptor descriptor{};
            status = camera_.Descriptor(Read<uint16_t>(payload.subspan(2)), descriptor);
            if (status == kSuccess) Write(payload, descriptor);
            break;
        }
        case kCheckFormatCode:
            status = camera_.CheckFormat(format);
            break;
        case kSetFormatCode:
            status = camera_.SetFormat(format);
            break;
        case kConnectionIdentityCode: {
            const uint32_t identity[2] = {camera_.Profile().identity1, camera_.Profile().identity2};
            Write(payload, identity);
            break;
        }
    }
    if (status == kSuccess) activity_.Note(code, format, word);
    Write(bytes, record);
    return status;
}

uint8_t CameraDriver::Interface(DWORD code, std::span<BYTE> bytes,
                                kmxwin::DeviceConnection& client) {
    if (bytes.size() < sizeof(InterfaceHeader)) return kBufferTooSmall;
    auto header = Read<InterfaceHeader>(bytes);
    std::span<BYTE> payload = bytes.subspan(sizeof header);
    switch (code) {
        case kCameraIdentityCode: {
            // The identity words take the place of the set's first two words.
            const uint32_t identity[2] = {camera_.Profile().identity1, camera_.Profile().identity2};
            Write(bytes.subspan(offsetof(InterfaceHeader, set)), identity);
            return kSuccess;
        }
        case kPropertyGetCode:
        case kPropertySetCode:
            // The length word must describe the payload that came with it.
            if (header.length != payload.size()) return kBadParameter;
            return code == kPropertyGetCode ? camera_.PropertyGet(header.set, header.id, payload)
                                            : camera_.PropertySet(header.set, header.id, payload);
        case kPropertyDefaultCode:
            return camera_.PropertyDefault(header.set, header.id);
        case kNotificationSetCode:
            return camera_.NotificationSet(client, header.set, header.id, header.length);
        case kNotificationClearCode:
            return camera_.NotificationClear(client, header.length);
        case kAbortVideoCaptureCode:
            return camera_.AbortCapture();
    }
    return kBadParameter;
}

uint8_t CameraDriver::Debug(DWORD code, std::span<BYTE> bytes) {
    if (bytes.size() < sizeof(DebugHeader)) return kBufferTooSmall;
    auto header = Read<DebugHeader>(bytes);
    if (header.total_length != bytes.size()) return kBadParameter;
    uint8_t status = camera_.Debug(code, header.words, bytes.subspan(sizeof header));
    Write(bytes, header);
    return status;
}

std::vector<std::unique_ptr<kmxwin::DeviceRequest>> CameraDriver::TakeStalled(
    const kmxwin::DeviceConnection& connection, std::optional<uint64_t> id) {
    std::vector<std::unique_ptr<kmxwin::DeviceRequest>> taken;
    std::lock_guard guard(lock_);
    std::erase_if(stalled_, [&](std::unique_ptr<kmxwin::DeviceRequest>& request) {
        if (!(request->Connection() == connection) || (id && request->Id() != *id)) return false;
        taken.push_back(std::move(request));
        return true;
    });
    return taken;
}

void CameraDriver::Closed(kmxwin::DeviceConnection& connection) {
    TakeStalled(connection, std::nullopt);
    camera_.ClientClosed(connection);
}

void CameraDriver::Cancel(kmxwin::DeviceConnection& connection, uint64_t id) {
    TakeStalled(connection, id);
    camera_.CancelRead(connection, id);
}

void CameraDriver::ArmFault(DWORD code, const Fault& fault) {
    std::lock_guard guard(lock_);
    faults_.Arm(code, fault);
}

void CameraDriver::ClearFaults() {
    std::vector<std::unique_ptr<kmxwin::DeviceRequest>> released;
    {
        std::lock_guard guard(lock_);
        faults_.Clear();
        released.swap(stalled_);
    }
    for (std::unique_ptr<kmxwin::DeviceRequest>& request : released)
        Execute(std::move(request), false);
}

bool CameraDriver::WaitStalled(std::chrono::milliseconds timeout) {
    std::unique_lock guard(lock_);
    return stalling_.wait_for(guard, timeout, [this] { return !stalled_.empty(); });
}

std::string CameraDriver::FaultsText() {
    std::lock_guard guard(lock_);
    std::ostringstream text;
    for (const auto& [code, fault] : faults_.Armed())
        text << "0x" << std::hex << std::uppercase << code << std::dec << ' ' << FaultText(fault)
             << '\n';
    return text.str();
}

}  // namespace kmxcam
