// The records a camera client sends with DeviceIoControl, byte for byte, the
// control codes that carry them and the one-byte command statuses the driver
// writes into the first byte of every record. All records are little-endian;
// every record is both the input and the output buffer of its request.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstdint>

namespace kmxcam {

constexpr DWORD ControlCode(DWORD function) {
    return CTL_CODE(FILE_DEVICE_UNKNOWN, function, METHOD_BUFFERED, FILE_ANY_ACCESS);
}

enum Code : DWORD {
    // Debug family: 20-byte header and a payload.
    kDebugVersion = ControlCode(0x100),
    kDebugFlagInfo = ControlCode(0x101),
    kDebugSetFlagInfo = ControlCode(0x102),
    kDebugFlagName = ControlCode(0x103),
    kDebugFlagBlockName = ControlCode(0x104),
    kDebugUsbSetInterface = ControlCode(0x105),
    kDebugCommand = ControlCode(0x106),
    kDebugUsbTransfer = ControlCode(0x107),
    kDebugDeviceId = ControlCode(0x108),
    kDebugPropertyDescriptor = ControlCode(0x109),
    kDebugPropertyInformation = ControlCode(0x10A),
    kDebugNotificationDescriptor = ControlCode(0x10B),
    // Connection family: 44-byte records, and the read frame record.
    kInterfaceVersion = ControlCode(0x200),
    kStreamOpen = ControlCode(0x201),
    kStreamClose = ControlCode(0x202),
    kGetMode = ControlCode(0x203),
    kSetMode = ControlCode(0x204),
    kGetModeDescriptor = ControlCode(0x205),
    kCheckFormat = ControlCode(0x206),
    kSetFormat = ControlCode(0x207),
    kConnectionIdentity = ControlCode(0x208),
    kReadFrame = ControlCode(0x209),
    // Interface family: 28-byte header and a payload.
    kCameraIdentity = ControlCode(0x301),
    kPropertyGet = ControlCode(0x302),
    kPropertySet = ControlCode(0x303),
    kNotificationSet = ControlCode(0x304),
    kNotificationClear = ControlCode(0x305),
    kPropertyDefault = ControlCode(0x306),
    kAbortVideoCapture = ControlCode(0x307),
};
static_assert(kReadFrame == 0x220824 && kAbortVideoCapture == 0x220C1C &&
              kDebugNotificationDescriptor == 0x22042C);

// The version of the record set this driver speaks; clients refuse others.
constexpr uint16_t kInterfaceVersionNumber = 0x0215;

// Command statuses the driver writes. 1 is a request that does not fit the
// state it meets (no such stream, a stream that is not delivering); 3 is a
// value the driver refuses (out of range, read-only, a format no mode
// offers); 4 and 5 are records or payloads of the wrong size.
enum CommandStatus : uint8_t {
    kSuccess = 0,
    kBadState = 1,
    kBadParameter = 3,
    kBufferTooSmall = 4,
    kBufferTooLarge = 5,
    kUnknownSet = 32,
    kUnknownId = 33,
    kInUse = 34,
    kUnknownFlagBlock = 64,
    kUnknownFlag = 65,
    kReleaseDriver = 66,
    kUnwritten = 255,  // what the sender fills in before the call
};

constexpr uint32_t FourCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}
constexpr uint32_t kMjpg = FourCC('M', 'J', 'P', 'G');
constexpr uint32_t kKmxx = FourCC('K', 'M', 'X', 'X');

#pragma pack(push, 1)

struct FormatRecord {
    uint16_t width;
    uint16_t height;
    uint8_t bits_per_pixel;
    uint8_t unused[3];
    uint32_t compression;
    uint32_t image_size;
    uint32_t timing;  // frame period in milliseconds; 0 leaves the mode's own
};
static_assert(sizeof(FormatRecord) == 20);
static_assert(offsetof(FormatRecord, compression) == 8 && offsetof(FormatRecord, timing) == 16);

struct FormatDescriptor {
    uint16_t count;
    uint16_t index;
    uint16_t width_step;
    uint16_t height_step;
    uint16_t min_width;
    uint16_t min_height;
    uint16_t max_width;
    uint16_t max_height;
    FormatRecord format;
};
static_assert(sizeof(FormatDescriptor) == 36);
static_assert(offsetof(FormatDescriptor, max_height) == 14 &&
              offsetof(FormatDescriptor, format) == 16);

struct ConnectionRecord {
    uint32_t status;
    uint32_t stream;
    uint8_t payload[36];
};
static_assert(sizeof(ConnectionRecord) == 44 && offsetof(ConnectionRecord, payload) == 8);

struct ReadFrameHeader {
    uint32_t status;
    uint32_t stream;
    uint32_t capacity;
    uint32_t delivered;
    uint8_t unused[28];
};
static_assert(sizeof(ReadFrameHeader) == 44 && offsetof(ReadFrameHeader, delivered) == 12);

struct InterfaceHeader {
    uint32_t status;
    GUID set;
    uint32_t id;
    uint32_t length;  // payload length, or the client's event handle for notifications
};
static_assert(sizeof(InterfaceHeader) == 28);
static_assert(offsetof(InterfaceHeader, set) == 4 && offsetof(InterfaceHeader, id) == 20 &&
              offsetof(InterfaceHeader, length) == 24);

struct DebugHeader {
    uint32_t status;
    uint32_t total_length;
    uint32_t words[3];
};
static_assert(sizeof(DebugHeader) == 20 && offsetof(DebugHeader, words) == 8);

#pragma pack(pop)

}  // namespace kmxcam
