// The records the library exchanges with the camera's kernel driver through
// DeviceIoControl, byte for byte, and the control codes that carry them: the
// one definition that both sides of the channel build on.
// Every record is both the input and the output buffer of its request and
// begins with the status word, whose low byte the driver overwrites with the
// command status. All records are little-endian.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstdint>

namespace kmx {

constexpr DWORD CameraControlCode(DWORD function) {
    return CTL_CODE(FILE_DEVICE_UNKNOWN, function, METHOD_BUFFERED, FILE_ANY_ACCESS);
}

enum CameraCode : DWORD {
    // Debug family: a DebugHeader and a payload.
    kDebugVersionCode = CameraControlCode(0x100),
    kDebugFlagInfoCode = CameraControlCode(0x101),
    kDebugSetFlagInfoCode = CameraControlCode(0x102),
    kDebugFlagNameCode = CameraControlCode(0x103),
    kDebugFlagBlockNameCode = CameraControlCode(0x104),
    kDebugUsbSetInterfaceCode = CameraControlCode(0x105),
    kDebugCommandCode = CameraControlCode(0x106),
    kDebugUsbTransferCode = CameraControlCode(0x107),
    kDebugDeviceIdCode = CameraControlCode(0x108),
    kDebugPropertyDescriptorCode = CameraControlCode(0x109),
    kDebugPropertyInformationCode = CameraControlCode(0x10A),
    kDebugNotificationDescriptorCode = CameraControlCode(0x10B),
    // Connection family: ConnectionRecord, except read frame.
    kInterfaceVersionCode = CameraControlCode(0x200),
    kStreamOpenCode = CameraControlCode(0x201),
    kStreamCloseCode = CameraControlCode(0x202),
    kGetModeCode = CameraControlCode(0x203),
    kSetModeCode = CameraControlCode(0x204),
    kGetModeDescriptorCode = CameraControlCode(0x205),
    kCheckFormatCode = CameraControlCode(0x206),
    kSetFormatCode = CameraControlCode(0x207),
    kConnectionIdentityCode = CameraControlCode(0x208),
    kReadFrameCode = CameraControlCode(0x209),  // ReadFrameHeader and the frame, overlapped
    // Interface family: an InterfaceHeader and a payload.
    kCameraIdentityCode = CameraControlCode(0x301),
    kPropertyGetCode = CameraControlCode(0x302),
    kPropertySetCode = CameraControlCode(0x303),
    kNotificationSetCode = CameraControlCode(0x304),
    kNotificationClearCode = CameraControlCode(0x305),
    kPropertyDefaultCode = CameraControlCode(0x306),
    kAbortVideoCaptureCode = CameraControlCode(0x307),
};
static_assert(kDebugVersionCode == 0x220400 && kDebugNotificationDescriptorCode == 0x22042C);
static_assert(kInterfaceVersionCode == 0x220800 && kReadFrameCode == 0x220824);
static_assert(kCameraIdentityCode == 0x220C04 && kAbortVideoCaptureCode == 0x220C1C);

// Command statuses: the first byte of every request record. The driver
// writes its own (1 is a request that does not fit the state it meets, 3 a
// value it refuses, 4 and 5 records or payloads of the wrong size); the
// library's channel adds the ones marked so.
inline constexpr BYTE kCommandSuccess = 0;
inline constexpr BYTE kCommandBadState = 1;
inline constexpr BYTE kCommandWrongLength =
    2;  // channel: the reply's length differs from the record's
inline constexpr BYTE kCommandBadParameter = 3;
inline constexpr BYTE kCommandBufferTooSmall = 4;
inline constexpr BYTE kCommandBufferTooLarge = 5;
inline constexpr BYTE kCommandAllocFailed = 6;  // channel: nothing was sent
inline constexpr BYTE kCommandUnknownSet = 32;
inline constexpr BYTE kCommandUnknownId = 33;
inline constexpr BYTE kCommandInUse = 34;
inline constexpr BYTE kCommandUnknownFlagBlock = 64;
inline constexpr BYTE kCommandUnknownFlag = 65;
inline constexpr BYTE kCommandReleaseDriver = 66;
inline constexpr BYTE kCommandDeviceGone = 128;       // channel: the call failed
inline constexpr BYTE kCommandNotOpen = 129;          // channel: no device open
inline constexpr BYTE kCommandVersionMismatch = 130;  // channel: the driver speaks another version
inline constexpr BYTE kCommandPending = 131;          // channel: not completed yet
inline constexpr BYTE kCommandUnwritten = 255;        // channel: the driver wrote no status

// {43F88DB0-28FE-11D5-A4DC-005004478CB4}: the camera driver's device
// interface class.
inline constexpr GUID kCameraInterfaceClass = {
    0x43F88DB0, 0x28FE, 0x11D5, {0xA4, 0xDC, 0x00, 0x50, 0x04, 0x47, 0x8C, 0xB4}};

// The record set this library speaks; a driver that answers another version
// is refused.
inline constexpr uint16_t kDriverInterfaceVersion = 0x0215;

// The compressions a FormatRecord names: the camera's frames ("MJPG" and its
// own "KMXX") and the packed YUV formats the library makes from them.
constexpr DWORD MakeFourcc(char a, char b, char c, char d) {
    return DWORD(BYTE(a)) | DWORD(BYTE(b)) << 8 | DWORD(BYTE(c)) << 16 | DWORD(BYTE(d)) << 24;
}
inline constexpr DWORD kFourccRgb = 0;  // uncompressed RGB (BI_RGB)
inline constexpr DWORD kFourccMjpg = MakeFourcc('M', 'J', 'P', 'G');
inline constexpr DWORD kFourccKmxx = MakeFourcc('K', 'M', 'X', 'X');
inline constexpr DWORD kFourccUyvy = MakeFourcc('U', 'Y', 'V', 'Y');
inline constexpr DWORD kFourccYuy2 = MakeFourcc('Y', 'U', 'Y', '2');
static_assert(kFourccMjpg == 0x47504A4D && kFourccKmxx == 0x58584D4B);
static_assert(kFourccUyvy == 0x59565955 && kFourccYuy2 == 0x32595559);

#pragma pack(push, 1)

// One video format.
struct FormatRecord {
    uint16_t width;
    uint16_t height;
    uint8_t bits_per_pixel;
    uint8_t unused[3];
    uint32_t compression;  // FourCC; 0 for uncompressed RGB
    uint32_t image_size;
    uint32_t timing;  // frame period in milliseconds, for check and set format
};
static_assert(sizeof(FormatRecord) == 20);
static_assert(offsetof(FormatRecord, bits_per_pixel) == 4 &&
              offsetof(FormatRecord, compression) == 8 &&
              offsetof(FormatRecord, image_size) == 12 && offsetof(FormatRecord, timing) == 16);

// One camera mode, the reply of get mode descriptor.
struct FormatDescriptor {
    uint16_t count;  // descriptors the camera offers
    uint16_t index;
    uint16_t width_step;
    uint16_t height_step;
    uint16_t min_width;
    uint16_t min_height;
    uint16_t max_width;
    uint16_t max_height;
    FormatRecord format;  // the mode's default size
};
static_assert(sizeof(FormatDescriptor) == 36);
static_assert(offsetof(FormatDescriptor, width_step) == 4 &&
              offsetof(FormatDescriptor, min_width) == 8 &&
              offsetof(FormatDescriptor, max_width) == 12 &&
              offsetof(FormatDescriptor, max_height) == 14 &&
              offsetof(FormatDescriptor, format) == 16);

struct ConnectionRecord {
    uint32_t status;
    uint32_t stream;  // the connection's stream word, 0 when none is open
    uint8_t payload[36];
};
static_assert(sizeof(ConnectionRecord) == 44);
static_assert(offsetof(ConnectionRecord, stream) == 4 && offsetof(ConnectionRecord, payload) == 8);

// Followed by CAPACITY bytes of frame data.
struct ReadFrameHeader {
    uint32_t status;
    uint32_t stream;
    uint32_t capacity;
    uint32_t delivered;  // frame bytes the driver filled in
    uint8_t unused[28];
};
static_assert(sizeof(ReadFrameHeader) == 44);
static_assert(offsetof(ReadFrameHeader, stream) == 4 && offsetof(ReadFrameHeader, capacity) == 8 &&
              offsetof(ReadFrameHeader, delivered) == 12 &&
              offsetof(ReadFrameHeader, unused) == 16);

// Followed by the payload.
struct InterfaceHeader {
    uint32_t status;
    GUID set;
    uint32_t id;
    // The payload length, 0 for property default, or an event handle of the
    // calling process for notification set and clear.
    uint32_t length;
};
static_assert(sizeof(InterfaceHeader) == 28);
static_assert(offsetof(InterfaceHeader, set) == 4 && offsetof(InterfaceHeader, id) == 20 &&
              offsetof(InterfaceHeader, length) == 24);

// Followed by the payload.
struct DebugHeader {
    uint32_t status;
    uint32_t total_length;  // payload length + 20
    uint32_t words[3];
};
static_assert(sizeof(DebugHeader) == 20);
static_assert(offsetof(DebugHeader, total_length) == 4 && offsetof(DebugHeader, words) == 8);

#pragma pack(pop)

}  // namespace kmx
