// Frames: overlapped reads complete once each, with the next frame, only
// while the camera streams; MJPG frames are JPEG images (also without
// Huffman tables), KMXX frames follow their layout, and show the picture
// settings: flip, mirror, the zoom window, brightness, contrast, saturation.
#include "camera_client.h"

#include "frame_synthesis.h"
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

// The luma and chroma samples of a 16-bit KMXX frame (rows of U Y0 V Y1).
struct KmxxPicture {
    uint32_t number = 0;
    std::vector<uint8_t> luma, chroma;
};
KmxxPicture Samples(const std::vector<BYTE>& frame) {
    KmxxPicture picture;
    KmxxHeader header;
    std::memcpy(&header, frame.data(), sizeof header);
    picture.number = header.number;
    for (size_t at = sizeof header; at + 1 < frame.size(); at += 2) {
        picture.chroma.push_back(frame[at]);
        picture.luma.push_back(frame[at + 1]);
    }
    return picture;
}

TEST_F(Frames, FramesFollowThePictureSettings) {
    constexpr int kWidth = 352, kHeight = 288;
    uint32_t stream = StartStreaming(device_, Format(kWidth, kHeight, kKmxx, 16, 1));
    auto next = [&] {
        FrameRead read(stream, kWidth * kHeight * 2 + 1024);
        EXPECT_TRUE(read.Start(device_));
        EXPECT_TRUE(read.Finish(device_));
        return Samples(read.Data());
    };
    auto set = [&](const GUID& set, uint32_t id, int32_t first, uint32_t size, int32_t second = 0) {
        std::vector<BYTE> value(size);
        // A video processing amplifier record keeps its flags and capabilities.
        if (size == 12) {
            ASSERT_EQ(SendInterface(device_, kPropertyGetCode, set, id, value, 12), kSuccess);
        }
        std::memcpy(value.data(), &first, std::min<size_t>(size, 4));
        if (size == 8) std::memcpy(value.data() + 4, &second, 4);
        ASSERT_EQ(SendInterface(device_, kPropertySetCode, set, id, value, size), kSuccess);
    };
    // The next frame is the picture the settings describe: its window of
    // the camera's 640x480 field, turned as asked.
    auto expect_picture = [&](PictureSettings settings) {
        KmxxPicture frame = next();
        YuvFrame expected;
        SynthesizeFrame(kWidth, kHeight, frame.number, settings, expected);
        size_t differing = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                size_t at = size_t(y) * kWidth + x;
                const std::vector<uint8_t>& plane = x % 2 ? expected.cr : expected.cb;
                differing += frame.luma[at] != expected.y[size_t(y) * expected.luma_stride + x];
                differing += frame.chroma[at] != plane[size_t(y) * expected.chroma_stride + x / 2];
            }
        EXPECT_EQ(differing, 0u);
    };
    PictureSettings settings;
    settings.field_width = settings.window_width = 640;
    settings.field_height = settings.window_height = 480;
    expect_picture(settings);
    set(sets::kCamera, camera_ids::kFlip, 1, 1);
    set(sets::kCamera, camera_ids::kMirror, 1, 1);
    settings.flip = settings.mirror = true;
    expect_picture(settings);
    set(sets::kCamera, camera_ids::kZoom, 8, 1);
    set(sets::kCamera, camera_ids::kWindowPosition, 480, 8, 0);
    settings.window_x = 480;
    settings.window_width = 160;
    settings.window_height = 120;
    expect_picture(settings);

    // Contrast and saturation at 0 leave a flat grey picture; brightness
    // lifts it.
    auto mean = [](const std::vector<uint8_t>& samples) {
        double sum = 0;
        for (uint8_t sample : samples) sum += sample;
        return sum / double(samples.size());
    };
    set(sets::kVideoProcAmp, procamp_ids::kContrast, 0, 12);
    set(sets::kVideoProcAmp, procamp_ids::kSaturation, 0, 12);
    KmxxPicture flat = next();
    EXPECT_EQ(mean(flat.luma), 128.0);
    EXPECT_EQ(mean(flat.chroma), 128.0);
    set(sets::kVideoProcAmp, procamp_ids::kContrast, 5000, 12);
    set(sets::kVideoProcAmp, procamp_ids::kBrightness, 0, 12);
    double dark = mean(next().luma);
    set(sets::kVideoProcAmp, procamp_ids::kBrightness, 10000, 12);
    EXPECT_GT(mean(next().luma), dark + 100);
}

TEST(FrameSynthesis, FlipMirrorAndTheWindowShowThatPartOfTheField) {
    PictureSettings whole;
    whole.field_width = whole.window_width = 64;
    whole.field_height = whole.window_height = 48;
    YuvFrame field, turned, window;
    SynthesizeFrame(64, 48, 77, whole, field);
    auto luma = [](const YuvFrame& frame, int x, int y) {
        return frame.y[size_t(y) * frame.luma_stride + x];
    };
    PictureSettings flipped = whole;
    flipped.flip = true;
    SynthesizeFrame(64, 48, 77, flipped, turned);
    PictureSettings mirrored = whole;
    mirrored.mirror = true;
    SynthesizeFrame(64, 48, 77, mirrored, window);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            ASSERT_EQ(luma(turned, x, y), luma(field, x, 47 - y)) << x << "," << y;
            ASSERT_EQ(luma(window, x, y), luma(field, 63 - x, y)) << x << "," << y;
        }
    // A 16x12 window at (32, 24), twice enlarged.
    PictureSettings zoomed = whole;
    zoomed.window_x = 32;
    zoomed.window_y = 24;
    zoomed.window_width = 16;
    zoomed.window_height = 12;
    SynthesizeFrame(32, 24, 77, zoomed, window);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(luma(window, x, y), luma(field, 32 + x / 2, 24 + y / 2)) << x << "," << y;
    // The picture is not the same everywhere, so the comparisons above mean something.
    EXPECT_NE(luma(field, 1, 10), luma(field, 1, 47));
    EXPECT_NE(luma(field, 0, 30), luma(field, 63, 30));
}

}  // namespace
}  // namespace kmxcamtest
