// The frame pipeline on a simulated camera: every client format decoded and
// compared with the source picture, at the camera's size and scaled;
// pass-through; damaged frames and buffers of the wrong size; the codec and
// scaler plug-ins missing; the transform plug-in accepted or refused.
#include "common/failing_allocations.h"
#include "pipeline_fixture.h"

#include "processing/frame_decoding.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <thread>
#include <tuple>

namespace kmxtest {
namespace {

using kmx::kFourccMjpg;
using kmx::kFourccRgb;
using kmx::kFourccUyvy;
using kmx::kFourccYuy2;

struct Target {
    DWORD compression;
    BYTE bits;
    const char* name;
};
constexpr Target kTargets[] = {{kFourccRgb, 24, "RGB24"},
                               {kFourccRgb, 16, "RGB555"},
                               {kFourccUyvy, 16, "UYVY"},
                               {kFourccYuy2, 16, "YUY2"}};

Picture Read(const std::vector<BYTE>& out, const Target& target, int width, int height) {
    if (target.compression == kFourccRgb)
        return target.bits == 24 ? FromBottomUpBgr(out.data(), width, height)
                                 : FromBottomUpRgb555(out.data(), width, height);
    return FromPacked422(out.data(), width, height, target.compression == kFourccYuy2);
}

class Pipeline : public PipelineTest {
  protected:
    void SetUp() override {
        PipelineTest::SetUp();
        Connect("pantilt");
    }
};

TEST_F(Pipeline, EveryClientFormatAtANativeSizeShowsTheSourcePicture) {
    for (auto [width, height] : {std::pair{640, 480}, {320, 240}}) {
        const Picture picture = MakePicture(width, height);
        const std::vector<uint8_t> frame = EncodeJpeg(picture);
        for (const Target& target : kTargets) {
            SCOPED_TRACE(testing::Message() << target.name << " " << width << "x" << height);
            const kmx::FormatRecord client =
                Client(uint16_t(width), uint16_t(height), target.compression, target.bits);
            ASSERT_EQ(Open(client), 1);
            EXPECT_EQ(camera_.compression, kFourccMjpg);
            EXPECT_EQ(camera_.width, width);
            EXPECT_EQ(state_.scaling, 0u);
            EXPECT_EQ(state_.pass_through, 0u);
            std::vector<BYTE> out(client.image_size);
            ASSERT_EQ(Produce(frame, out), out.size());  // a decoded frame fills the buffer
            EXPECT_GT(Psnr(Read(out, target, width, height), picture), 30.0);
            kmx::PipelineClose(state_);
        }
    }
    EXPECT_EQ(ErrorMask(), 0u);
}

TEST_F(Pipeline, RgbAtAnotherSizeIsScaledFromTheNativeSizeTheCameraChooses) {
    // The camera prefers the next smaller native size: 352x288 for 400x300.
    const kmx::FormatRecord client = Client(400, 300, kFourccRgb, 24);
    ASSERT_EQ(Open(client), 1);
    EXPECT_EQ(camera_.width, 352);
    EXPECT_EQ(camera_.height, 288);
    EXPECT_EQ(state_.scaling, 1u);
    std::vector<BYTE> out(client.image_size);
    ASSERT_EQ(Process(EncodeJpeg(MakePicture(352, 288)), out), 1);
    EXPECT_GT(Psnr(FromBottomUpBgr(out.data(), 400, 300), MakePicture(400, 300)), 24.0);

    // The scaled image must fill the client's buffer exactly.
    std::vector<BYTE> larger(client.image_size + 3);
    EXPECT_EQ(Process(EncodeJpeg(MakePicture(352, 288)), larger), 0);
    EXPECT_EQ(ErrorMask(), kmx::kFrameSizeError);
}

TEST_F(Pipeline, FramesWithoutHuffmanTablesDecodeAlike) {
    const Picture picture = MakePicture(320, 240);
    JpegOptions options;
    options.huffman_tables = false;
    const std::vector<uint8_t> frame = EncodeJpeg(picture, options);
    ASSERT_FALSE(HasMarker(frame, 0xC4));
    for (const Target& target : kTargets) {
        SCOPED_TRACE(target.name);
        const kmx::FormatRecord client = Client(320, 240, target.compression, target.bits);
        ASSERT_EQ(Open(client), 1);
        std::vector<BYTE> out(client.image_size);
        ASSERT_EQ(Process(frame, out), 1);
        EXPECT_GT(Psnr(Read(out, target, 320, 240), picture), 30.0);
        kmx::PipelineClose(state_);
    }
}

TEST_F(Pipeline, TheCamerasOwnFormatsPassThroughUnchanged) {
    for (auto [compression, bits, width, height] :
         {std::tuple{kFourccMjpg, BYTE(24), 640, 480}, {kmx::kFourccKmxx, BYTE(16), 352, 288}}) {
        const kmx::FormatRecord client{uint16_t(width), uint16_t(height),          bits, {},
                                       compression,     DWORD(width * height * 2), 33};
        ASSERT_EQ(Open(client), 1);
        EXPECT_EQ(state_.pass_through, 1u);
        EXPECT_EQ(state_.codec_module, nullptr);
        std::vector<uint8_t> frame(1000);
        std::iota(frame.begin(), frame.end(), 0);
        std::vector<BYTE> out(client.image_size, 0xEE);
        ASSERT_EQ(Produce(frame, out), frame.size());  // as long as it came
        EXPECT_TRUE(std::equal(frame.begin(), frame.end(), out.begin()));
        EXPECT_EQ(out[frame.size()], 0xEE);
        kmx::PipelineClose(state_);
    }
    EXPECT_EQ(ErrorMask(), 0u);

    // A frame longer than the client's buffer is dropped.
    ASSERT_EQ(Open(Client(640, 480, kFourccMjpg, 24)), 1);
    std::vector<uint8_t> frame(101, 1);
    std::vector<BYTE> out(100, 0xEE);
    EXPECT_EQ(Process(frame, out), 0);
    EXPECT_EQ(out, std::vector<BYTE>(100, 0xEE));
    EXPECT_EQ(ErrorMask(), kmx::kFrameSizeError);
}

TEST_F(Pipeline, DamagedFramesAreDroppedAndTheNextOneDecodes) {
    const Picture picture = MakePicture(320, 240);
    const std::vector<uint8_t> frame = EncodeJpeg(picture);
    const kmx::FormatRecord client = Client(320, 240, kFourccYuy2, 16);
    ASSERT_EQ(Open(client), 1);
    std::vector<BYTE> out(client.image_size);

    std::vector<uint8_t> truncated(frame.begin(), frame.begin() + frame.size() / 2);
    EXPECT_EQ(Process(truncated, out), 0);
    EXPECT_EQ(ErrorMask(), kmx::kCodecFrameError);
    EXPECT_EQ(Process({}, out), 0);
    EXPECT_EQ(Process(std::vector<uint8_t>(4096, 0xFF), out), 0);
    EXPECT_EQ(kmx::PipelineProcess(state_, 4096, nullptr, DWORD(out.size()), out.data()), 0);

    // Random damage may or may not be noticed, but never hurts: the next
    // good frame decodes.
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        std::vector<uint8_t> damaged = frame;
        for (int hit = 0; hit < 8; ++hit)
            damaged[std::uniform_int_distribution<size_t>(2, damaged.size() - 1)(random)] =
                uint8_t(random());
        Process(damaged, out);
        ASSERT_EQ(Process(frame, out), 1) << "after round " << round;
    }
    EXPECT_GT(Psnr(FromPacked422(out.data(), 320, 240, true), picture), 30.0);
}

TEST_F(Pipeline, ABufferOfAnotherSizeThanTheDecodedImageIsRefused) {
    const kmx::FormatRecord client = Client(320, 240, kFourccRgb, 24);
    ASSERT_EQ(Open(client), 1);
    const std::vector<uint8_t> frame = EncodeJpeg(MakePicture(320, 240));
    for (DWORD size : {client.image_size - 1, client.image_size + 1, DWORD(0)}) {
        std::vector<BYTE> out(size, 0xEE);
        EXPECT_EQ(Process(frame, out), 0);
        EXPECT_EQ(std::count(out.begin(), out.end(), 0xEE), std::ptrdiff_t(size));
    }
    EXPECT_EQ(ErrorMask(), kmx::kFrameSizeError);
}

TEST_F(Pipeline, TheFramePathAllocatesNothing) {
    const kmx::FormatRecord client = Client(400, 300, kFourccRgb, 24);
    ASSERT_EQ(Open(client), 1);
    const std::vector<uint8_t> frame = EncodeJpeg(MakePicture(352, 288));
    std::vector<BYTE> out(client.image_size);
    ASSERT_EQ(Process(frame, out), 1);  // the codec sets its decoder up once
    size_t before = AllocationCount();
    for (int round = 0; round < 5; ++round) ASSERT_EQ(Process(frame, out), 1);
    EXPECT_EQ(AllocationCount(), before);
}

TEST_F(Pipeline, ClosingReleasesEverythingAndIsHarmlessTwice) {
    kmx::PipelineState unopened{};
    std::vector<BYTE> out(16);
    EXPECT_EQ(kmx::PipelineProcess(unopened, 4, out.data(), 16, out.data()), 0);
    kmx::PipelineClose(unopened);

    ASSERT_EQ(Open(Client(400, 300, kFourccRgb, 24)), 1);
    EXPECT_NE(GetModuleHandleA(kmx::kCodecLibrary), nullptr);
    EXPECT_NE(GetModuleHandleA("KMXScale.dll"), nullptr);
    kmx::PipelineClose(state_);
    kmx::PipelineClose(state_);
    EXPECT_EQ(GetModuleHandleA(kmx::kCodecLibrary), nullptr);
    EXPECT_EQ(GetModuleHandleA("KMXScale.dll"), nullptr);
    const kmx::PipelineState zero{};
    EXPECT_EQ(std::memcmp(&state_, &zero, sizeof zero), 0);
}

TEST_F(Pipeline, ScaledPipelinesKeepTheirOwnScalerWhileOthersComeAndGo) {
    const kmx::FormatRecord client = Client(400, 300, kFourccRgb, 24);
    ASSERT_EQ(Open(client), 1);
    const std::vector<uint8_t> frame = EncodeJpeg(MakePicture(352, 288));
    // Frames flow on a streaming thread while other pipelines open and close
    // on this one, each loading and unloading a scaler of its own.
    int produced = 0;
    std::thread stream([&] {
        std::vector<BYTE> out(client.image_size);
        for (int round = 0; round < 30; ++round) produced += Process(frame, out);
    });
    for (int round = 0; round < 10; ++round) {
        kmx::PipelineState other{};
        EXPECT_EQ(kmx::PipelineOpen(connection_, other, client, camera_), 1);
        kmx::PipelineClose(other);
    }
    stream.join();
    EXPECT_EQ(produced, 30);
    EXPECT_EQ(ErrorMask(), 0u);
}

// Plug-ins found first on the plug-in path, in this test's own directory.
class MissingPlugins : public Pipeline {
  protected:
    void SetUp() override {
        Pipeline::SetUp();
        directory_ = std::filesystem::path(TestDirectory()) / "plugins";
        std::filesystem::create_directories(directory_);
        setenv("KMX512_PLUGIN_PATH", directory_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("KMX512_PLUGIN_PATH");
        Pipeline::TearDown();
    }
    // A file that is no module at all, under NAME.
    void PutBrokenModule(const char* name) { std::ofstream(directory_ / name) << "not a module"; }

    std::filesystem::path directory_;
};

TEST_F(MissingPlugins, NoCodecRefusesTheDecodedFormats) {
    PutBrokenModule("picn20.so");
    EXPECT_EQ(Open(Client(320, 240, kFourccYuy2, 16)), 0);
    EXPECT_EQ(ErrorMask(), kmx::kCodecLoadError);
    const kmx::PipelineState zero{};
    EXPECT_EQ(std::memcmp(&state_, &zero, sizeof zero), 0);
    // The camera's own format needs no codec.
    EXPECT_EQ(Open(Client(640, 480, kFourccMjpg, 24)), 1);
    kmx::PipelineClose(state_);

    // A module under the codec's name without the codec's exports is no
    // codec either, and is not kept.
    std::filesystem::remove(directory_ / "picn20.so");
    std::filesystem::copy_file(std::string(KMX_TEST_PLUGIN_DIR) + "/partial_scaler.so",
                               directory_ / "picn20.so");
    EXPECT_EQ(Open(Client(320, 240, kFourccRgb, 24)), 0);
    EXPECT_EQ(GetModuleHandleA(kmx::kCodecLibrary), nullptr);
    EXPECT_EQ(ErrorMask(), kmx::kCodecLoadError);
}

TEST_F(MissingPlugins, AScalerWithoutAllItsExportsIsRefused) {
    std::filesystem::copy_file(std::string(KMX_TEST_PLUGIN_DIR) + "/partial_scaler.so",
                               directory_ / "KMXScale.so");
    EXPECT_EQ(Open(Client(400, 300, kFourccRgb, 24)), 0);
    EXPECT_EQ(ErrorMask(), kmx::kScalerLoadError);
    EXPECT_EQ(GetModuleHandleA("KMXScale.dll"), nullptr);
    PutBrokenModule("picn20.so");
    EXPECT_EQ(Open(Client(400, 300, kFourccRgb, 24)), 0);
    EXPECT_EQ(ErrorMask(), kmx::kScalerLoadError);
    // A native size needs no scaler; the codec is still missing.
    EXPECT_EQ(Open(Client(352, 288, kFourccRgb, 24)), 0);
    EXPECT_EQ(ErrorMask(), kmx::kScalerLoadError | kmx::kCodecLoadError);
}

class TransformPlugins : public Pipeline {
  protected:
    static void SetTransform(const std::string& path) {
        kmx::RegistryKey key(HKEY_LOCAL_MACHINE, kmx::kSettingsKeyPath, true, false);
        ASSERT_EQ(key.SetString("Transform DLL", path.c_str()), 1);
    }
    // One frame of the picture through a fresh pipeline for CLIENT.
    std::vector<BYTE> OneFrame(const kmx::FormatRecord& client) {
        EXPECT_EQ(Open(client), 1);
        std::vector<BYTE> out(client.image_size);
        EXPECT_EQ(Process(EncodeJpeg(MakePicture(client.width, client.height)), out), 1);
        return out;
    }
};

TEST_F(TransformPlugins, AnAcceptedPlugInSeesEveryFrameUntilClose) {
    const kmx::FormatRecord client = Client(320, 240, kFourccRgb, 24);
    const std::vector<BYTE> plain = OneFrame(client);
    kmx::PipelineClose(state_);

    SetTransform("kmxstamp.dll");
    const std::vector<BYTE> stamped = OneFrame(client);
    EXPECT_EQ(state_.transform_active, 1u);
    EXPECT_EQ(state_.transform_format.compression, kFourccRgb);
    EXPECT_EQ(state_.transform_format.width, 320u);
    EXPECT_NE(stamped, plain);
    // Only the stamp's corner differs: the rest is the picture.
    EXPECT_GT(
        Psnr(FromBottomUpBgr(stamped.data(), 320, 240), FromBottomUpBgr(plain.data(), 320, 240)),
        15.0);
    EXPECT_NE(GetModuleHandleA("kmxstamp.dll"), nullptr);
    kmx::PipelineClose(state_);
    EXPECT_EQ(GetModuleHandleA("kmxstamp.dll"), nullptr);
}

TEST_F(TransformPlugins, APlugInThatAnswersTheGreetingOtherwiseIsUnloaded) {
    const kmx::FormatRecord client = Client(320, 240, kFourccUyvy, 16);
    const std::vector<BYTE> plain = OneFrame(client);
    kmx::PipelineClose(state_);

    SetTransform(std::string(KMX_TEST_PLUGIN_DIR) + "/refusing_transform.so");
    EXPECT_EQ(OneFrame(client), plain);  // not blacked out
    EXPECT_EQ(state_.transform_active, 0u);
    EXPECT_EQ(state_.transform_module, nullptr);
    EXPECT_EQ(GetModuleHandleA("refusing_transform.dll"), nullptr);
    kmx::PipelineClose(state_);

    // A plug-in that does not load leaves capture going as well.
    SetTransform("no_such_transform.dll");
    EXPECT_EQ(OneFrame(client), plain);
}

}  // namespace
}  // namespace kmxtest
