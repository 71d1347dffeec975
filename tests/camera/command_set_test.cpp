// The record set as clients send it: every connection, interface and debug
// command answers its record byte for byte with its command status, and bad
// records get a status instead of harm.
#include "camera_client.h"

#include <cstring>

namespace kmxcamtest {
namespace {

using CommandSet = CameraTest;

constexpr GUID kScalingSet = {
    0x345D7661, 0x62F1, 0x11D4, {0xA1, 0x40, 0x00, 0xA0, 0x24, 0xAD, 0x71, 0xC2}};

template <class T>
T PayloadAs(const ConnectionRecord& record, size_t offset = 0) {
    T value;
    std::memcpy(&value, record.payload + offset, sizeof value);
    return value;
}

TEST_F(CommandSet, ConnectionCommandsAnswerTheirRecords) {
    ConnectionRecord version = ConnectionWith(0);
    ASSERT_EQ(SendConnection(device_, kInterfaceVersionCode, version), kSuccess);
    EXPECT_EQ(PayloadAs<uint16_t>(version), 0x0215);

    ConnectionRecord identity = ConnectionWith(0);
    ASSERT_EQ(SendConnection(device_, kConnectionIdentityCode, identity), kSuccess);
    EXPECT_EQ(PayloadAs<uint32_t>(identity), 0x05120001u);
    EXPECT_EQ(PayloadAs<uint32_t>(identity, 4), 0x00010215u);

    const uint16_t index = 1;
    ConnectionRecord descriptor = ConnectionWith(0);
    std::memcpy(descriptor.payload + 2, &index, sizeof index);
    ASSERT_EQ(SendConnection(device_, kGetModeDescriptorCode, descriptor), kSuccess);
    auto kmxx = PayloadAs<FormatDescriptor>(descriptor);
    EXPECT_EQ(kmxx.count, 2);
    EXPECT_EQ(kmxx.index, 1);
    EXPECT_EQ(kmxx.format.compression, kKmxx);
    EXPECT_EQ(kmxx.format.width, 352);
    EXPECT_EQ(kmxx.format.image_size, 352u * 288 * 2 + 1024);
    EXPECT_EQ(kmxx.width_step, 16);
    EXPECT_EQ(kmxx.max_height, 288);
    const uint16_t beyond = 2;
    std::memcpy(descriptor.payload + 2, &beyond, sizeof beyond);
    EXPECT_EQ(SendConnection(device_, kGetModeDescriptorCode, descriptor), kBadParameter);

    // Formats a mode offers are accepted, others refused; formats change
    // only while the camera is idle.
    FormatRecord vga = Format(640, 480, kMjpg, 24, 40);
    FormatRecord odd = Format(644, 480, kMjpg, 24);
    ConnectionRecord check = ConnectionWith(0, &vga, sizeof vga);
    EXPECT_EQ(SendConnection(device_, kCheckFormatCode, check), kSuccess);
    check = ConnectionWith(0, &odd, sizeof odd);
    EXPECT_EQ(SendConnection(device_, kCheckFormatCode, check), kBadParameter);
    uint32_t ready = 1;
    ConnectionRecord mode = ConnectionWith(0, &ready, sizeof ready);
    ASSERT_EQ(SendConnection(device_, kSetModeCode, mode), kSuccess);
    ConnectionRecord got = ConnectionWith(0);
    ASSERT_EQ(SendConnection(device_, kGetModeCode, got), kSuccess);
    EXPECT_EQ(PayloadAs<uint32_t>(got), 1u);
    ConnectionRecord set = ConnectionWith(0, &vga, sizeof vga);
    EXPECT_EQ(SendConnection(device_, kSetFormatCode, set), kBadState);
    uint32_t bogus = 3;
    mode = ConnectionWith(0, &bogus, sizeof bogus);
    EXPECT_EQ(SendConnection(device_, kSetModeCode, mode), kBadParameter);

    // One stream a camera: a second client is told the camera is in use.
    ConnectionRecord open = ConnectionWith(0, &vga, sizeof vga);
    ASSERT_EQ(SendConnection(device_, kStreamOpenCode, open), kSuccess);
    uint32_t stream = PayloadAs<uint32_t>(open);
    EXPECT_NE(stream, 0u);
    HANDLE other = OpenCamera(path_);
    ConnectionRecord second = ConnectionWith(0, &vga, sizeof vga);
    EXPECT_EQ(SendConnection(other, kStreamOpenCode, second), kInUse);
    ConnectionRecord close = ConnectionWith(stream + 1);
    EXPECT_EQ(SendConnection(device_, kStreamCloseCode, close), kBadState);
    close = ConnectionWith(stream);
    EXPECT_EQ(SendConnection(device_, kStreamCloseCode, close), kSuccess);
    EXPECT_EQ(close.stream, 0u);
    second = ConnectionWith(0, &vga, sizeof vga);
    EXPECT_EQ(SendConnection(other, kStreamOpenCode, second), kSuccess);
    CloseHandle(other);
    // The stream went with its client.
    open = ConnectionWith(0, &vga, sizeof vga);
    EXPECT_EQ(SendConnection(device_, kStreamOpenCode, open), kSuccess);
}

TEST_F(CommandSet, BadRecordsGetAStatusOrFailTheCall) {
    std::vector<BYTE> short_record(40), long_record(48), tiny(2);
    EXPECT_EQ(Send(device_, kGetModeCode, short_record), kBufferTooSmall);
    EXPECT_EQ(Send(device_, kGetModeCode, long_record), kBufferTooLarge);
    EXPECT_EQ(Send(device_, kPropertyGetCode, short_record = std::vector<BYTE>(20)),
              kBufferTooSmall);
    EXPECT_EQ(Send(device_, kDebugVersionCode, short_record = std::vector<BYTE>(12)),
              kBufferTooSmall);
    // A read frame whose capacity claims more than the record brings.
    std::vector<BYTE> read(sizeof(ReadFrameHeader) + 16);
    ReadFrameHeader header{0, 1, 1000, 0, {}};
    std::memcpy(read.data(), &header, sizeof header);
    EXPECT_EQ(Send(device_, kReadFrameCode, read), kBadParameter);
    // A debug record whose length word lies.
    std::vector<BYTE> debug(sizeof(DebugHeader));
    DebugHeader lying{0, 64, {}};
    std::memcpy(debug.data(), &lying, sizeof lying);
    EXPECT_EQ(Send(device_, kDebugVersionCode, debug), kBadParameter);
    // Unknown codes and records without room for a status fail as calls.
    EXPECT_EQ(Send(device_, 0x220830, long_record), std::nullopt);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    EXPECT_EQ(Send(device_, kGetModeCode, tiny), std::nullopt);
    // Only the connect suffix reaches the camera.
    EXPECT_EQ(OpenCamera(path_, "\\Other"), INVALID_HANDLE_VALUE);
}

TEST_F(CommandSet, PropertiesAreCheckedKeptAndSharedByClients) {
    std::vector<BYTE> identity;
    ASSERT_EQ(SendInterface(device_, kCameraIdentityCode, GUID{}, 0, identity, 0), kSuccess);

    std::vector<BYTE> firmware(2);
    ASSERT_EQ(SendInterface(device_, kPropertyGetCode, sets::kCamera, 0, firmware, 2), kSuccess);
    EXPECT_EQ(firmware, (std::vector<BYTE>{0x02, 0x03}));
    EXPECT_EQ(SendInterface(device_, kPropertySetCode, sets::kCamera, 0, firmware, 2),
              kBadParameter);  // read-only
    std::vector<BYTE> wide(4), narrow(1);
    EXPECT_EQ(SendInterface(device_, kPropertyGetCode, sets::kCamera, 0, narrow, 1),
              kBufferTooSmall);
    EXPECT_EQ(SendInterface(device_, kPropertyGetCode, sets::kCamera, 0, wide, 4), kBufferTooLarge);
    EXPECT_EQ(SendInterface(device_, kPropertyGetCode, sets::kCamera, 0, firmware, 3),
              kBadParameter);
    EXPECT_EQ(SendInterface(device_, kPropertyGetCode, sets::kCamera, 3, narrow, 1), kUnknownId);
    EXPECT_EQ(SendInterface(device_, kPropertyGetCode, GUID{1, 2, 3, {}}, 0, narrow, 1),
              kUnknownSet);
    // The pan/tilt camera has no library-side flip; its scaling choice it has.
    EXPECT_EQ(SendInterface(device_, kPropertyGetCode, kScalingSet, 1, narrow, 1), kUnknownId);

    // Values outside the range are refused; a set's reply carries the value.
    std::vector<BYTE> zoom{9};
    EXPECT_EQ(SendInterface(device_, kPropertySetCode, sets::kCamera, camera_ids::kZoom, zoom, 1),
              kBadParameter);
    zoom = {5};
    ASSERT_EQ(SendInterface(device_, kPropertySetCode, sets::kCamera, camera_ids::kZoom, zoom, 1),
              kSuccess);
    EXPECT_EQ(zoom, std::vector<BYTE>{5});

    // Another client sees the value; a default restores it for everyone.
    HANDLE other = OpenCamera(path_);
    std::vector<BYTE> seen(1);
    ASSERT_EQ(SendInterface(other, kPropertyGetCode, sets::kCamera, camera_ids::kZoom, seen, 1),
              kSuccess);
    EXPECT_EQ(seen, std::vector<BYTE>{5});
    std::vector<BYTE> none;
    EXPECT_EQ(SendInterface(other, kPropertyDefaultCode, sets::kCamera, camera_ids::kZoom, none, 0),
              kSuccess);
    ASSERT_EQ(SendInterface(device_, kPropertyGetCode, sets::kCamera, camera_ids::kZoom, seen, 1),
              kSuccess);
    EXPECT_EQ(seen, std::vector<BYTE>{0});
    CloseHandle(other);

    std::vector<BYTE> procamp(12);
    ASSERT_EQ(SendInterface(device_, kPropertyGetCode, sets::kVideoProcAmp, procamp_ids::kContrast,
                            procamp, 12),
              kSuccess);
    int32_t words[3];
    std::memcpy(words, procamp.data(), sizeof words);
    EXPECT_EQ(words[0], 5000);
    EXPECT_EQ(SendInterface(device_, kAbortVideoCaptureCode, GUID{}, 0, none, 0), kSuccess);
}

TEST_F(CommandSet, DebugFamilyReportsFlagsRegistersAndDescriptors) {
    uint32_t words[3] = {};
    std::vector<BYTE> none, name(16);
    ASSERT_EQ(SendDebug(device_, kDebugVersionCode, words, none), kSuccess);
    EXPECT_EQ(words[0], 0u);
    EXPECT_EQ(words[1] & 0xFFFF, 0x0215u);

    uint32_t block[3] = {1, 0, 0};
    ASSERT_EQ(SendDebug(device_, kDebugFlagBlockNameCode, block, name), kSuccess);
    EXPECT_STREQ(reinterpret_cast<char*>(name.data()), "Stream");
    uint32_t flag[3] = {1, 2, 0};
    ASSERT_EQ(SendDebug(device_, kDebugFlagNameCode, flag, name), kSuccess);
    EXPECT_STREQ(reinterpret_cast<char*>(name.data()), "Dropped");
    uint32_t set[3] = {1, 2, 0x55};
    ASSERT_EQ(SendDebug(device_, kDebugSetFlagInfoCode, set, none), kSuccess);
    uint32_t get[3] = {1, 2, 0};
    ASSERT_EQ(SendDebug(device_, kDebugFlagInfoCode, get, none), kSuccess);
    EXPECT_EQ(get[2], 0x55u);
    uint32_t released[3] = {3, 0, 0}, unknown_block[3] = {4, 0, 0}, unknown_flag[3] = {2, 2, 0};
    EXPECT_EQ(SendDebug(device_, kDebugFlagInfoCode, released, none), kReleaseDriver);
    EXPECT_EQ(SendDebug(device_, kDebugFlagNameCode, unknown_block, none), kUnknownFlagBlock);
    EXPECT_EQ(SendDebug(device_, kDebugFlagNameCode, unknown_flag, none), kUnknownFlag);

    // A register written by a command reads back through a transfer in.
    std::vector<BYTE> written{1, 2, 3, 4};
    uint32_t write[3] = {0, 1 | 0x100u << 16, 4};
    ASSERT_EQ(SendDebug(device_, kDebugCommandCode, write, written), kSuccess);
    std::vector<BYTE> read(4);
    uint32_t transfer[3] = {0x81, 4, 0x100};
    ASSERT_EQ(SendDebug(device_, kDebugUsbTransferCode, transfer, read), kSuccess);
    EXPECT_EQ(read, written);
    uint32_t past_end[3] = {0x81, 4, 4094};
    EXPECT_EQ(SendDebug(device_, kDebugUsbTransferCode, past_end, read), kBadParameter);
    uint32_t alternate[3] = {0x0300, 0, 0}, no_alternate[3] = {0x0900, 0, 0};
    EXPECT_EQ(SendDebug(device_, kDebugUsbSetInterfaceCode, alternate, none), kSuccess);
    EXPECT_EQ(SendDebug(device_, kDebugUsbSetInterfaceCode, no_alternate, none), kBadParameter);

    uint32_t id[3] = {};
    ASSERT_EQ(SendDebug(device_, kDebugDeviceIdCode, id, none), kSuccess);
    EXPECT_EQ(id[0], 0x0DA50512u);

    std::vector<BYTE> descriptor(68), short_descriptor(60);
    uint32_t first[3] = {0, 0, 0};
    ASSERT_EQ(SendDebug(device_, kDebugPropertyDescriptorCode, first, descriptor), kSuccess);
    PropertyDescriptor property;
    std::memcpy(&property, descriptor.data(), sizeof property);
    EXPECT_EQ(property.size, 8u);  // the first native size
    EXPECT_EQ(property.id, camera_ids::kFirstNativeSize);
    EXPECT_EQ(SendDebug(device_, kDebugPropertyDescriptorCode, first, short_descriptor),
              kBufferTooSmall);
    uint32_t beyond[3] = {1000, 0, 0};
    EXPECT_EQ(SendDebug(device_, kDebugPropertyDescriptorCode, beyond, descriptor), kBadParameter);
    std::vector<BYTE> value(8);
    ASSERT_EQ(SendDebug(device_, kDebugPropertyInformationCode, first, value), kSuccess);
    EXPECT_EQ(value, (std::vector<BYTE>{0x80, 2, 0, 0, 0xE0, 1, 0, 0}));
    ASSERT_EQ(SendDebug(device_, kDebugNotificationDescriptorCode, first, descriptor), kSuccess);
    NotificationDescriptor notification;
    std::memcpy(&notification, descriptor.data(), sizeof notification);
    EXPECT_TRUE(notification.set == sets::kNotification);
}

TEST_F(CommandSet, DebugCommandTellsToolsTheModesAndIdentity) {
    std::vector<BYTE> data(sizeof(FormatDescriptor));
    uint32_t second[3] = {0, kModeDescriptorRequest | 1u << 16, sizeof(FormatDescriptor)};
    ASSERT_EQ(SendDebug(device_, kDebugCommandCode, second, data), kSuccess);
    FormatDescriptor mode;
    std::memcpy(&mode, data.data(), sizeof mode);
    EXPECT_EQ(mode.count, 2);
    EXPECT_EQ(mode.index, 1);
    EXPECT_EQ(mode.format.compression, kKmxx);
    uint32_t beyond[3] = {0, kModeDescriptorRequest | 2u << 16, sizeof(FormatDescriptor)};
    EXPECT_EQ(SendDebug(device_, kDebugCommandCode, beyond, data), kBadParameter);
    uint32_t short_length[3] = {0, kModeDescriptorRequest, 20};
    EXPECT_EQ(SendDebug(device_, kDebugCommandCode, short_length, data), kBufferTooSmall);

    std::vector<BYTE> identity(8);
    uint32_t ask[3] = {0, kCameraIdentityRequest, 8};
    ASSERT_EQ(SendDebug(device_, kDebugCommandCode, ask, identity), kSuccess);
    uint32_t words[2];
    std::memcpy(words, identity.data(), sizeof words);
    EXPECT_EQ(words[0], 0x05120001u);
    EXPECT_EQ(words[1], 0x00010215u);
}

}  // namespace
}  // namespace kmxcamtest
