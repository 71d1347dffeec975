#include "device/camera_connection.h"

#include "device/kernel_channel.h"

#include <cstring>

namespace kmx {
namespace {

constexpr size_t kPayloadSize = sizeof(ConnectionRecord::payload);

// Sends one connection command with the connection's stream word. PAYLOAD
// (optional, kPayloadSize bytes) goes in before and, on success only, comes
// back out.
BYTE SendConnectionCommand(CameraConnection& connection, DWORD code, void* payload) {
    ConnectionRecord record{};
    record.stream = connection.stream;
    if (payload) memcpy(record.payload, payload, kPayloadSize);
    BYTE status = SendCommand(connection.device, code, &record, sizeof record, nullptr, nullptr);
    if (status == kCommandDeviceGone) CloseDevice(&connection.device);
    if (status == kCommandSuccess && payload) memcpy(payload, record.payload, kPayloadSize);
    return status;
}

// A format record as the first bytes of a payload; the rest is zero.
struct FormatPayload {
    explicit FormatPayload(const FormatRecord& format) { memcpy(bytes, &format, sizeof format); }
    BYTE bytes[kPayloadSize] = {};
};

}  // namespace

BYTE ConnectionOpen(CameraConnection& connection, DWORD id, bool scan) {
    // A connection opened again must not keep its old handle alive.
    ConnectionClose(connection);
    connection.connection_id = scan && id == 0 ? 1 : id;
    if (!OpenCamera(&connection.device, id, scan, &connection.connection_id)) {
        ConnectionClose(connection);
        return 1;
    }
    BYTE payload[kPayloadSize] = {};
    BYTE status = SendConnectionCommand(connection, kInterfaceVersionCode, payload);
    uint16_t version;
    memcpy(&version, payload, sizeof version);
    if (status == kCommandSuccess && version == kDriverInterfaceVersion) return kCommandSuccess;
    ConnectionClose(connection);
    return status == kCommandSuccess ? kCommandVersionMismatch : status;
}

void ConnectionClose(CameraConnection& connection) {
    CloseDevice(&connection.device);
    connection.connection_id = 0;
    connection.stream = 0;
}

BYTE ConnectionIdentity(CameraConnection& connection, DWORD* connection_id, DWORD* identity1,
                        DWORD* identity2) {
    if (connection.connection_id == 0 || connection.device == INVALID_HANDLE_VALUE)
        return kCommandNotOpen;
    DWORD payload[kPayloadSize / sizeof(DWORD)] = {};
    BYTE status = SendConnectionCommand(connection, kConnectionIdentityCode, payload);
    if (status != kCommandSuccess) return status;
    if (connection_id) *connection_id = connection.connection_id;
    if (identity1) *identity1 = payload[0];
    if (identity2) *identity2 = payload[1];
    return status;
}

BYTE StartCameraStream(CameraConnection& connection, const FormatRecord& format) {
    if (connection.stream != 0) return kCommandSuccess;
    FormatPayload payload(format);
    BYTE status = SendConnectionCommand(connection, kStreamOpenCode, payload.bytes);
    if (status == kCommandSuccess)
        memcpy(&connection.stream, payload.bytes, sizeof connection.stream);
    return status;
}

BYTE StopCameraStream(CameraConnection& connection) {
    BYTE status = SendConnectionCommand(connection, kStreamCloseCode, nullptr);
    if (status == kCommandSuccess) connection.stream = 0;
    return status;
}

BYTE GetMode(CameraConnection& connection, DWORD* mode) {
    DWORD payload[kPayloadSize / sizeof(DWORD)] = {};
    BYTE status = SendConnectionCommand(connection, kGetModeCode, payload);
    if (status == kCommandSuccess) *mode = payload[0];
    return status;
}

BYTE SetMode(CameraConnection& connection, DWORD mode) {
    DWORD payload[kPayloadSize / sizeof(DWORD)] = {mode};
    return SendConnectionCommand(connection, kSetModeCode, payload);
}

BYTE GetModeDescriptor(CameraConnection& connection, WORD index, FormatDescriptor* descriptor) {
    static_assert(sizeof(FormatDescriptor) == kPayloadSize);
    memset(descriptor, 0, sizeof *descriptor);
    descriptor->index = index;
    return SendConnectionCommand(connection, kGetModeDescriptorCode, descriptor);
}

BYTE CheckFormat(CameraConnection& connection, const FormatRecord& format) {
    FormatPayload payload(format);
    return SendConnectionCommand(connection, kCheckFormatCode, payload.bytes);
}

BYTE SetFormat(CameraConnection& connection, const FormatRecord& format) {
    FormatPayload payload(format);
    return SendConnectionCommand(connection, kSetFormatCode, payload.bytes);
}

}  // namespace kmx
