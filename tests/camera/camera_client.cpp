#include "camera_client.h"

#include "common/interface_list.h"

#include <cstring>

namespace kmxcamtest {

std::vector<std::string> ListedCameras() {
    return kmxtest::ListedInterfaces(kCameraInterfaceClass);
}

HANDLE OpenCamera(const std::string& path, const std::string& suffix) {
    return CreateFileA((path + suffix).c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OVERLAPPED, nullptr);
}

std::optional<uint8_t> Send(HANDLE device, DWORD code, std::vector<BYTE>& record, DWORD* bytes) {
    record[0] = kUnwritten;
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD count = 0;
    BOOL done =
        DeviceIoControl(device, code, record.data(), static_cast<DWORD>(record.size()),
                        record.data(), static_cast<DWORD>(record.size()), &count, &overlapped);
    if (!done && GetLastError() == ERROR_IO_PENDING)
        done = GetOverlappedResult(device, &overlapped, &count, TRUE);
    CloseHandle(overlapped.hEvent);
    if (bytes) *bytes = count;
    if (!done) return std::nullopt;
    return record[0];
}

ConnectionRecord ConnectionWith(uint32_t stream, const void* payload, size_t length) {
    ConnectionRecord record{};
    record.stream = stream;
    if (payload) std::memcpy(record.payload, payload, length);
    return record;
}

FormatRecord Format(uint16_t width, uint16_t height, uint32_t compression, uint8_t bits,
                    uint32_t timing) {
    uint32_t size =
        compression == kMjpg ? 2u * width * height + 608 : width * bits * height / 8u + 1024;
    return FormatRecord{width, height, bits, {}, compression, size, timing};
}

std::optional<uint8_t> SendConnection(HANDLE device, DWORD code, ConnectionRecord& record) {
    std::vector<BYTE> bytes(sizeof record);
    std::memcpy(bytes.data(), &record, sizeof record);
    DWORD count = 0;
    std::optional<uint8_t> status = Send(device, code, bytes, &count);
    if (status) {
        EXPECT_EQ(count, sizeof record);
    }
    std::memcpy(&record, bytes.data(), sizeof record);
    return status;
}

std::optional<uint8_t> SendInterface(HANDLE device, DWORD code, const GUID& set, uint32_t id,
                                     std::vector<BYTE>& value, uint32_t length_word) {
    InterfaceHeader header{0, set, id, length_word};
    std::vector<BYTE> record(sizeof header + value.size());
    std::memcpy(record.data(), &header, sizeof header);
    std::copy(value.begin(), value.end(), record.begin() + sizeof header);
    std::optional<uint8_t> status = Send(device, code, record);
    value.assign(record.begin() + sizeof header, record.end());
    return status;
}

std::optional<uint8_t> SendDebug(HANDLE device, DWORD code, uint32_t (&words)[3],
                                 std::vector<BYTE>& data) {
    DebugHeader header{0,
                       static_cast<uint32_t>(data.size() + sizeof(DebugHeader)),
                       {words[0], words[1], words[2]}};
    std::vector<BYTE> record(header.total_length);
    std::memcpy(record.data(), &header, sizeof header);
    std::copy(data.begin(), data.end(), record.begin() + sizeof header);
    std::optional<uint8_t> status = Send(device, code, record);
    std::memcpy(&header, record.data(), sizeof header);
    std::copy(header.words, header.words + 3, words);
    data.assign(record.begin() + sizeof header, record.end());
    return status;
}

FrameRead::FrameRead(uint32_t stream, uint32_t capacity)
    : record(sizeof(ReadFrameHeader) + capacity) {
    ReadFrameHeader header{kUnwritten, stream, capacity, 0, {}};
    std::memcpy(record.data(), &header, sizeof header);
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

FrameRead::~FrameRead() {
    CloseHandle(overlapped.hEvent);
}

bool FrameRead::Start(HANDLE device) {
    BOOL done =
        DeviceIoControl(device, kReadFrameCode, record.data(), static_cast<DWORD>(record.size()),
                        record.data(), static_cast<DWORD>(record.size()), &bytes, &overlapped);
    return done || GetLastError() == ERROR_IO_PENDING;
}

bool FrameRead::Finish(HANDLE device, DWORD timeout_ms) {
    if (WaitForSingleObject(overlapped.hEvent, timeout_ms) != WAIT_OBJECT_0) return false;
    return GetOverlappedResult(device, &overlapped, &bytes, FALSE);
}

ReadFrameHeader FrameRead::Header() const {
    ReadFrameHeader header;
    std::memcpy(&header, record.data(), sizeof header);
    return header;
}

std::vector<BYTE> FrameRead::Data() const {
    auto begin = record.begin() + sizeof(ReadFrameHeader);
    return std::vector<BYTE>(
        begin,
        begin + std::min<size_t>(Header().delivered, record.size() - sizeof(ReadFrameHeader)));
}

void CameraTest::SetUp() {
    std::string error;
    std::optional<ProfileSet> profiles = LoadProfiles(DefaultProfilePath(), error);
    ASSERT_TRUE(profiles) << error;
    service_ = std::make_unique<CameraService>(std::move(*profiles));
    path_ = Plug("pantilt", "T1");
    device_ = OpenCamera(path_);
    ASSERT_NE(device_, INVALID_HANDLE_VALUE);
}

void CameraTest::TearDown() {
    if (device_ != INVALID_HANDLE_VALUE) CloseHandle(device_);
    service_.reset();
}

std::string CameraTest::Plug(const std::string& profile, const std::string& serial) {
    std::string error;
    std::optional<std::string> path = service_->Plug(profile, serial, error);
    EXPECT_TRUE(path) << error;
    return path.value_or("");
}

uint32_t CameraTest::StartStreaming(HANDLE device, const FormatRecord& format) {
    ConnectionRecord open = ConnectionWith(0, &format, sizeof format);
    EXPECT_EQ(SendConnection(device, kStreamOpenCode, open), kSuccess);
    uint32_t stream;
    std::memcpy(&stream, open.payload, sizeof stream);
    uint32_t streaming = 2;
    ConnectionRecord mode = ConnectionWith(stream, &streaming, sizeof streaming);
    EXPECT_EQ(SendConnection(device, kSetModeCode, mode), kSuccess);
    return stream;
}

}  // namespace kmxcamtest
