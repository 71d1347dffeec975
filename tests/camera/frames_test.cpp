// Frames: overlapped reads complete once each, with the next frame, only
// while the camera streams; MJPG frames are JPEG images (also without
// Huffman tables), KMXX frames follow their layout, settings show.
#include "camera_client.h"

#include "kmxx_format.h"

#include <chrono>
#include <cstring>
#include <list>

namespace kmxcamtest {
namespace {

using Frames = CameraTest;
constexpr uint32_t kVgaCapacity = 2 * 640 * 480 + 608;

TEST_F(Frames, ReadsPendUntilStreamingThenCompleteOnceEachWithAJpegFrame) {
    FormatRecord vga = Format(640, 480, kMjpg, 24, 5);
    ConnectionRecord open = ConnectionWith(0, &vga, sizeof vga);
    ASSERT_EQ(SendConnection(device_, kStreamOpenCode, open), kSuccess);
    uint32_t stream;
    std::memcpy(&stream, open.payload, sizeof stream);

    std::list<FrameRead> reads;
    for (int i = 0; i < 3; ++i) {
        FrameRead& read = reads.emplace_back(stream, kVgaCapacity);
        ASSERT_TRUE(read.Start(device_));
        EXPECT_EQ(read.overlapped.Internal, static_cast<ULONG_PTR>(STATUS_PENDING));
    }
    // Not streaming yet: nothing is delivered.
    DWORD bytes = 0;
    EXPECT_FALSE(GetOverlappedResult(device_, &reads.front().overlapped, &bytes, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_INCOMPLETE));

    uint32_t streaming = 2;
    ConnectionRecord mode = ConnectionWith(stream, &streaming, sizeof streaming);
    ASSERT_EQ(SendConnection(device_, kSetModeCode, mode), kSuccess);
    for (FrameRead& read : reads) {
        ASSERT_TRUE(read.Finish(device_));
        ASSERT_EQ(read.Status(), kSuccess);
        ReadFrameHeader header = read.Header();
        EXPECT_EQ(header.stream, stream);
        EXPECT_EQ(read.bytes, sizeof header + header.delivered);
        std::optional<DecodedJpeg> image = DecodeJpeg(read.Data());
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, 640);
        EXPECT_EQ(image->height, 480);
        // Completed once: the event is not signalled again by anything later.
        ResetEvent(read.overlapped.hEvent);
    }
    FrameRead later(stream, kVgaCapacity);
    ASSERT_TRUE(later.Start(device_));
    ASSERT_TRUE(later.Finish(device_));
    for (FrameRead& read : reads)
        EXPECT_EQ(WaitForSingleObject(read.overlapped.hEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST_F(Frames, FramesComeNoFasterThanTheFramePeriod) {
    uint32_t stream = StartStreaming(device_, Format(160, 120, kMjpg, 24, 100));
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 4; ++i) {
        FrameRead read(stream, 2 * 160 * 120 + 608);
        ASSERT_TRUE(read.Start(device_));
        ASSERT_TRUE(read.Finish(device_));
        ASSERT_EQ(read.Status(), kSuccess);
    }
    // The first frame may come at once; three periods must pass for the rest.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
}

TEST_F(Frames, ReadsThatCannotBeServedAreAnswered) {
    uint32_t stream = StartStreaming(device_, Format(640, 480, kMjpg, 24, 1));
    FrameRead small(stream, 1000);
    ASSERT_TRUE(small.Start(device_));
    ASSERT_TRUE(small.Finish(device_));
    EXPECT_EQ(small.Status(), kBufferTooSmall);
    EXPECT_EQ(small.Header().delivered, 0u);
    FrameRead stranger(stream + 1, kVgaCapacity);
    ASSERT_TRUE(stranger.Start(device_));
    ASSERT_TRUE(stranger.Finish(device_));
    EXPECT_EQ(stranger.Status(), kBadState);

    // Closing the stream answers the reads it still holds.
    uint32_t ready = 1;
    ConnectionRecord mode = ConnectionWith(stream, &ready, sizeof ready);
    ASSERT_EQ(SendConnection(device_, kSetModeCode, mode), kSuccess);
    FrameRead held(stream, kVgaCapacity);
    ASSERT_TRUE(held.Start(device_));
    ConnectionRecord close = ConnectionWith(stream);
    ASSERT_EQ(SendConnection(device_, kStreamCloseCode, close), kSuccess);
    ASSERT_TRUE(held.Finish(device_));
    EXPECT_EQ(held.Status(), kBadState);
}

TEST_F(Frames, KmxxFramesFollowTheirLayout) {
    uint32_t stream = StartStreaming(device_, Format(176, 144, kKmxx, 16, 1));
    FrameRead read(stream, 176 * 144 * 2 + 1024);
    ASSERT_TRUE(read.Start(device_));
    ASSERT_TRUE(read.Finish(device_));
    ASSERT_EQ(read.Status(), kSuccess);
    std::vector<BYTE> frame = read.Data();
    ASSERT_EQ(frame.size(), sizeof(KmxxHeader) + 176 * 144 * 2);
    KmxxHeader header;
    std::memcpy(&header, frame.data(), sizeof header);
    EXPECT_EQ(std::memcmp(header.magic, "KMXX", 4), 0);
    EXPECT_EQ(header.width, 176);
    EXPECT_EQ(header.height, 144);
    EXPECT_EQ(header.bits_per_pixel, 16);
    EXPECT_EQ(header.header_size, sizeof header);
}

TEST_F(Frames, FramesWithoutHuffmanTablesDecodeWithTheStandardOnes) {
    std::string path = Plug("compact", "C1");
    HANDLE compact = OpenCamera(path);
    uint32_t stream = StartStreaming(compact, Format(352, 288, kMjpg, 24, 1));
    FrameRead read(stream, 2 * 352 * 288 + 608);
    ASSERT_TRUE(read.Start(compact));
    ASSERT_TRUE(read.Finish(compact));
    ASSERT_EQ(read.Status(), kSuccess);
    std::vector<BYTE> frame = read.Data();
    const BYTE dht[2] = {0xFF, 0xC4};
    EXPECT_EQ(std::search(frame.begin(), frame.end(), dht, dht + 2), frame.end());
    std::optional<DecodedJpeg> image = DecodeJpeg(frame);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 352);
    CloseHandle(compact);
}

TEST_F(Frames, BrightnessShowsInTheFrames) {
    uint32_t stream = StartStreaming(device_, Format(320, 240, kMjpg, 24, 1));
    auto mean_luma = [&](int32_t brightness) {
        std::vector<BYTE> value(12);
        std::memcpy(value.data(), &brightness, sizeof brightness);
        EXPECT_EQ(SendInterface(device_, kPropertySetCode, sets::kVideoProcAmp,
                                procamp_ids::kBrightness, value, 12),
                  kSuccess);
        FrameRead read(stream, 2 * 320 * 240 + 608);
        EXPECT_TRUE(read.Start(device_));
        EXPECT_TRUE(read.Finish(device_));
        std::optional<DecodedJpeg> image = DecodeJpeg(read.Data());
        return image ? image->mean_luma : -1.0;
    };
    double dark = mean_luma(-100), bright = mean_luma(100);
    EXPECT_GT(dark, 0.0);
    EXPECT_GT(bright, dark + 50);
}

}  // namespace
}  // namespace kmxcamtest
