// The JPEG codec library as the frame pipeline uses it: loaded by name,
// one query-initialise-execute-terminate conversation per frame.
#include "common/failing_allocations.h"
#include "codec_conversation.h"
#include "mjpeg_encoder.h"
#include "plugin_module.h"
#include "test_pictures.h"

#include <kmx512u/pegasus_record.h>
#include <kmxrecords/camera_commands.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <thread>

namespace kmxtest {
namespace {

constexpr uint32_t kYuy2 = PEGASUS_PACKING_YUY2;
constexpr uint32_t kUyvy = PEGASUS_PACKING_UYVY;

struct Output {
    uint32_t bits;
    uint32_t packing;
    const char* name;
};
constexpr Output kOutputs[] = {{24, PEGASUS_PACKING_RGB, "RGB24"},
                               {16, PEGASUS_PACKING_RGB, "RGB555"},
                               {16, kYuy2, "YUY2"},
                               {16, kUyvy, "UYVY"}};

class JpegCodec : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(codec_.Loaded());
        pegasus_ = codec_.Entry<PEGASUS_ENTRY>("Pegasus");
        query_ = codec_.Entry<PEGASUS_QUERY_ENTRY>("PegasusQuery");
        ASSERT_NE(pegasus_, nullptr);
        ASSERT_NE(query_, nullptr);
    }

    // One frame as the pipeline decodes it, into the first CAPACITY bytes
    // of OUT.
    PegasusRecord Decode(const std::vector<uint8_t>& jpeg, uint32_t bits, uint32_t packing,
                         std::vector<uint8_t>& out, size_t capacity = SIZE_MAX,
                         uint32_t orientation = 0) {
        PegasusRecord record =
            DecodeFrame(pegasus_, query_, jpeg.data(), jpeg.size(), bits, packing, out.data(),
                        std::min(capacity, out.size()), orientation);
        if (record.answer == PEGASUS_ANSWER_DONE) {
            EXPECT_EQ(record.input_type, uint32_t(PEGASUS_IMAGE_JPEG));
        }
        return record;
    }

    static Picture Read(const std::vector<uint8_t>& out, const Output& output, int width,
                        int height) {
        if (output.packing == PEGASUS_PACKING_RGB)
            return output.bits == 24 ? FromBottomUpBgr(out.data(), width, height)
                                     : FromBottomUpRgb555(out.data(), width, height);
        return FromPacked422(out.data(), width, height, output.packing == kYuy2);
    }

    static std::vector<uint8_t> ImageBuffer(const Picture& picture, const Output& output) {
        return std::vector<uint8_t>(size_t(picture.width) * size_t(picture.height) * output.bits /
                                    8);
    }

    // Decodes FRAME of PICTURE to every output and compares with the source.
    void ExpectEveryOutputMatches(const Picture& picture, const std::vector<uint8_t>& frame,
                                  bool grey = false) {
        for (const Output& output : kOutputs) {
            SCOPED_TRACE(output.name);
            std::vector<uint8_t> out = ImageBuffer(picture, output);
            PegasusRecord record = Decode(frame, output.bits, output.packing, out);
            ASSERT_EQ(record.answer, uint32_t(PEGASUS_ANSWER_DONE)) << record.error;
            EXPECT_EQ(record.output_length, out.size());
            EXPECT_EQ(record.width, uint32_t(picture.width));
            EXPECT_EQ(record.height, uint32_t(picture.height));
            Picture decoded = Read(out, output, picture.width, picture.height);
            if (grey)
                EXPECT_GT(LumaPsnr(decoded, picture), 30.0);
            else
                EXPECT_GT(Psnr(decoded, picture), 30.0);
        }
    }

    PluginModule codec_{"picn20.dll"};
    PEGASUS_ENTRY pegasus_ = nullptr;
    PEGASUS_QUERY_ENTRY query_ = nullptr;
};

TEST_F(JpegCodec, EveryOutputMatchesTheSourcePictureAtCameraSizes) {
    for (auto [width, height] : {std::pair{640, 480}, {320, 240}, {701, 576}, {38, 23}}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        Picture picture = MakePicture(width, height);
        ExpectEveryOutputMatches(picture, EncodeJpeg(picture));
    }
}

TEST_F(JpegCodec, OtherSubsamplingsAndGreyFramesDecodeToEveryOutput) {
    Picture picture = MakePicture(161, 97);
    for (Subsampling subsampling : {Subsampling::k444, Subsampling::k420}) {
        SCOPED_TRACE(int(subsampling));
        ExpectEveryOutputMatches(picture, EncodeJpeg(picture, {.subsampling = subsampling}));
    }
    ExpectEveryOutputMatches(picture, EncodeJpeg(picture, {.subsampling = Subsampling::kGray}),
                             true);
}

TEST_F(JpegCodec, RgbIsFlippedAndMirroredAsItIsWrittenAtAnySize) {
    constexpr uint32_t kFlip = PEGASUS_ORIENT_FLIP, kMirror = PEGASUS_ORIENT_MIRROR;
    for (auto [width, height] : {std::pair{1, 1}, {2, 1}, {1, 4}, {37, 7}, {38, 23}, {640, 480}}) {
        const std::vector<uint8_t> frame = EncodeJpeg(MakePicture(width, height));
        // Exactly sized, so that the sanitizer sees any stray access.
        std::vector<uint8_t> upright(size_t(width) * size_t(height) * 3), out(upright.size());
        ASSERT_EQ(Decode(frame, 24, PEGASUS_PACKING_RGB, upright).answer,
                  uint32_t(PEGASUS_ANSWER_DONE));
        for (uint32_t orientation : {kFlip, kMirror, kFlip | kMirror}) {
            SCOPED_TRACE(testing::Message() << width << "x" << height << " as " << orientation);
            ASSERT_EQ(Decode(frame, 24, PEGASUS_PACKING_RGB, out, SIZE_MAX, orientation).answer,
                      uint32_t(PEGASUS_ANSWER_DONE));
            EXPECT_TRUE(out ==
                        Turned(upright, width, height, orientation & kFlip, orientation & kMirror));
        }
    }
    // Only 24-bit RGB is turned, and only the two ways there are.
    const std::vector<uint8_t> frame = EncodeJpeg(MakePicture(32, 16));
    std::vector<uint8_t> out(32 * 16 * 3);
    for (const Output& output : kOutputs) {
        SCOPED_TRACE(output.name);
        uint32_t orientation = output.bits == 24 ? 4 : kFlip;
        EXPECT_EQ(Decode(frame, output.bits, output.packing, out, out.size() * output.bits / 24,
                         orientation)
                      .error,
                  PEGASUS_ERROR_OUTPUT);
    }
}

TEST_F(JpegCodec, FramesWithoutHuffmanTablesUseTheStandardOnes) {
    Picture picture = MakePicture(320, 240);
    std::vector<uint8_t> frame = EncodeJpeg(picture, {.quality = 80, .huffman_tables = false});
    ASSERT_FALSE(HasMarker(frame, 0xC4));
    ExpectEveryOutputMatches(picture, frame);
}

TEST_F(JpegCodec, TheCameraServicesFramesDecodeTheSameWithAndWithoutTables) {
    kmxcam::YuvFrame scene;
    kmxcam::SynthesizeFrame(640, 480, 5, {}, scene);
    kmxcam::MjpegEncoder encoder(80);
    std::vector<uint8_t> with_tables, without_tables;
    ASSERT_TRUE(encoder.Encode(scene, true, with_tables));
    ASSERT_TRUE(encoder.Encode(scene, false, without_tables));
    ASSERT_FALSE(HasMarker(without_tables, 0xC4));
    for (const Output& output : kOutputs) {
        SCOPED_TRACE(output.name);
        std::vector<uint8_t> first(size_t(640) * 480 * output.bits / 8), second(first.size());
        ASSERT_EQ(Decode(with_tables, output.bits, output.packing, first).answer,
                  uint32_t(PEGASUS_ANSWER_DONE));
        ASSERT_EQ(Decode(without_tables, output.bits, output.packing, second).answer,
                  uint32_t(PEGASUS_ANSWER_DONE));
        EXPECT_EQ(first, second);
    }
}

TEST_F(JpegCodec, AFrameWithoutTablesDecodesWithTheStandardOnesWhateverCameBefore) {
    Picture picture = MakePicture(320, 240);
    std::vector<uint8_t> own = EncodeJpeg(picture, {.own_tables = true});
    std::vector<uint8_t> plain = EncodeJpeg(picture, {.huffman_tables = false});
    std::mt19937 random(11);
    for (const Output& output : kOutputs) {
        SCOPED_TRACE(output.name);
        std::vector<uint8_t> alone = ImageBuffer(picture, output), out(alone.size());
        ASSERT_EQ(Decode(plain, output.bits, output.packing, alone).answer,
                  uint32_t(PEGASUS_ANSWER_DONE));
        // A frame with tables of its own, then damaged frames whose tables
        // may be anything: none of it may stay for the next frame.
        ASSERT_EQ(Decode(own, output.bits, output.packing, out).answer,
                  uint32_t(PEGASUS_ANSWER_DONE));
        ASSERT_EQ(Decode(plain, output.bits, output.packing, out).answer,
                  uint32_t(PEGASUS_ANSWER_DONE));
        EXPECT_EQ(out, alone);
        for (int round = 0; round < 50; ++round) {
            std::vector<uint8_t> damaged = own;
            for (int hit = 0; hit < 4; ++hit)
                damaged[2 + random() % 600] ^= uint8_t(1 + random() % 255);  // the header's part
            Decode(damaged, output.bits, output.packing, out);
            ASSERT_EQ(Decode(plain, output.bits, output.packing, out).answer,
                      uint32_t(PEGASUS_ANSWER_DONE))
                << "after round " << round;
            ASSERT_EQ(out, alone) << "after round " << round;
        }
    }
}

TEST_F(JpegCodec, FramesWithRestartMarkersDecode) {
    Picture picture = MakePicture(320, 240);
    std::vector<uint8_t> frame = EncodeJpeg(picture, {.huffman_tables = false, .restart_rows = 1});
    ASSERT_TRUE(HasMarker(frame, 0xDD));
    ASSERT_TRUE(HasMarker(frame, 0xD0));
    ExpectEveryOutputMatches(picture, frame);
}

TEST_F(JpegCodec, AStreamAllocatesOnlyForItsFirstFrame) {
    for (Subsampling subsampling : {Subsampling::k422, Subsampling::k420}) {
        Picture picture = MakePicture(320, 240);
        std::vector<uint8_t> frame = EncodeJpeg(picture, {.subsampling = subsampling});
        for (const Output& output : kOutputs) {
            SCOPED_TRACE(output.name);
            std::vector<uint8_t> out = ImageBuffer(picture, output);
            ASSERT_EQ(Decode(frame, output.bits, output.packing, out).answer,
                      uint32_t(PEGASUS_ANSWER_DONE));
            size_t before = AllocationCount();
            for (int i = 0; i < 3; ++i)
                ASSERT_EQ(Decode(frame, output.bits, output.packing, out).answer,
                          uint32_t(PEGASUS_ANSWER_DONE));
            EXPECT_EQ(AllocationCount(), before);
        }
    }
}

TEST_F(JpegCodec, StreamsOnSeveralThreadsDecodeIndependently) {
    // Two streams of different sizes and outputs at once; each frame must
    // come out as it does alone.
    struct Stream {
        Picture picture;
        Output output;
        std::vector<uint8_t> frame, alone;
        bool same = true;
    };
    // One camera sends tables of its own, the other none.
    Stream streams[2] = {{MakePicture(320, 240), kOutputs[0], {}, {}},
                         {MakePicture(640, 480), kOutputs[2], {}, {}}};
    streams[0].frame = EncodeJpeg(streams[0].picture, {.own_tables = true});
    streams[1].frame = EncodeJpeg(streams[1].picture, {.huffman_tables = false});
    for (Stream& stream : streams) {
        stream.alone = ImageBuffer(stream.picture, stream.output);
        ASSERT_EQ(
            Decode(stream.frame, stream.output.bits, stream.output.packing, stream.alone).answer,
            uint32_t(PEGASUS_ANSWER_DONE));
    }
    std::vector<std::thread> threads;
    for (Stream& stream : streams) {
        threads.emplace_back([this, &stream] {
            std::vector<uint8_t> out(stream.alone.size());
            for (int i = 0; i < 40; ++i) {
                PegasusRecord record =
                    Decode(stream.frame, stream.output.bits, stream.output.packing, out);
                if (record.answer != PEGASUS_ANSWER_DONE || out != stream.alone)
                    stream.same = false;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_TRUE(streams[0].same);
    EXPECT_TRUE(streams[1].same);
}

TEST_F(JpegCodec, TruncatedFramesAreAnsweredWithAnError) {
    Picture picture = MakePicture(160, 120);
    std::vector<uint8_t> frame = EncodeJpeg(picture);
    for (const Output& output : kOutputs) {
        SCOPED_TRACE(output.name);
        for (size_t length = 0; length + 2 < frame.size(); length += 97) {
            // Exactly sized, so that the sanitizer sees any stray read.
            std::vector<uint8_t> cut(frame.begin(), frame.begin() + std::ptrdiff_t(length));
            std::vector<uint8_t> out = ImageBuffer(picture, output);
            PegasusRecord record = Decode(cut, output.bits, output.packing, out);
            EXPECT_EQ(record.answer, uint32_t(PEGASUS_ANSWER_ERROR)) << "length " << length;
            // Cut inside the frame header, the sizes read may be garbage
            // and be refused as such.
            EXPECT_TRUE(record.error == PEGASUS_ERROR_DATA ||
                        record.error == PEGASUS_ERROR_NOT_JPEG ||
                        record.error == PEGASUS_ERROR_CAPACITY)
                << record.error;
            EXPECT_EQ(record.session.slot, 0u);
        }
    }
}

TEST_F(JpegCodec, DamagedFramesNeverWriteOutsideTheImage) {
    Picture picture = MakePicture(160, 120);
    std::vector<uint8_t> frame = EncodeJpeg(picture, {.restart_rows = 2});
    std::mt19937 random(7);
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> damaged = frame;
        for (int flips = 0; flips < 4; ++flips)
            damaged[random() % damaged.size()] ^= uint8_t(1 + random() % 255);
        const Output& output = kOutputs[round % 4];
        // A guard after the image catches stray writes in builds without
        // the sanitizer; the codec gets only the image's bytes.
        std::vector<uint8_t> out = ImageBuffer(picture, output);
        size_t image = out.size();
        out.resize(image + 64, 0xA5);
        PegasusRecord record = Decode(damaged, output.bits, output.packing, out, image);
        for (size_t i = image; i < out.size(); ++i) ASSERT_EQ(out[i], 0xA5);
        if (record.answer == PEGASUS_ANSWER_ERROR) ++refused;
    }
    // Most damage is detected; what is not decodes to a wrong picture of
    // the right size.
    EXPECT_GT(refused, 150);
}

TEST_F(JpegCodec, AFrameAfterAHeaderTheDecoderGaveUpOnDecodes) {
    Picture picture = MakePicture(64, 48);
    std::vector<uint8_t> frame = EncodeJpeg(picture);
    std::vector<uint8_t> broken = frame;
    for (size_t i = 2; i + 1 < broken.size(); ++i) {
        if (broken[i] == 0xFF && broken[i + 1] == 0xDB) {
            broken[i + 1] = 0x95;  // no marker the decoder knows
            break;
        }
    }
    // The query and the decode take the pool's one decoder in turn: each
    // must find it as good as new.
    for (const Output& output : kOutputs) {
        SCOPED_TRACE(output.name);
        std::vector<uint8_t> out = ImageBuffer(picture, output);
        EXPECT_EQ(Decode(broken, output.bits, output.packing, out).error, PEGASUS_ERROR_NOT_JPEG);
        ASSERT_EQ(Decode(frame, output.bits, output.packing, out).answer,
                  uint32_t(PEGASUS_ANSWER_DONE));
        EXPECT_GT(Psnr(Read(out, output, 64, 48), picture), 30.0);
    }
}

TEST_F(JpegCodec, AFrameOfAnotherSizeThanTheOutputIsRefusedUntouched) {
    Picture picture = MakePicture(64, 48);
    std::vector<uint8_t> frame = EncodeJpeg(picture);
    for (const Output& output : kOutputs) {
        SCOPED_TRACE(output.name);
        size_t image = ImageBuffer(picture, output).size();
        for (size_t capacity : {image - 1, image + 1, image * 2}) {
            std::vector<uint8_t> out(capacity, 0x5A);
            PegasusRecord record = Decode(frame, output.bits, output.packing, out);
            EXPECT_EQ(record.answer, uint32_t(PEGASUS_ANSWER_ERROR));
            EXPECT_EQ(record.error, PEGASUS_ERROR_CAPACITY);
            EXPECT_EQ(std::count(out.begin(), out.end(), 0x5A), std::ptrdiff_t(out.size()));
        }
    }
    // A header that claims a larger image than was negotiated is the same
    // case: the image height sits in the SOF segment.
    std::vector<uint8_t> out(size_t(64) * 48 * 3);
    for (size_t i = 0; i + 9 < frame.size(); ++i) {
        if (frame[i] == 0xFF && frame[i + 1] == 0xC0) {
            frame[i + 5] = 0x01;  // height 48 -> 304
            break;
        }
    }
    EXPECT_EQ(Decode(frame, 24, PEGASUS_PACKING_RGB, out).error, PEGASUS_ERROR_CAPACITY);
}

TEST_F(JpegCodec, QueryRecognisesOnlyJpegData) {
    std::vector<uint8_t> bitmap(1000, 0x42);
    std::vector<uint8_t> out(1000);
    PegasusRecord record = Decode(bitmap, 24, PEGASUS_PACKING_RGB, out);
    EXPECT_EQ(record.answer, uint32_t(PEGASUS_ANSWER_ERROR));
    EXPECT_EQ(record.error, PEGASUS_ERROR_NOT_JPEG);
    EXPECT_EQ(record.input_type, uint32_t(PEGASUS_IMAGE_UNKNOWN));
}

TEST_F(JpegCodec, UnsupportedOutputsAreRefused) {
    Picture picture = MakePicture(32, 16);
    std::vector<uint8_t> frame = EncodeJpeg(picture);
    std::vector<uint8_t> out(32 * 16 * 4);
    for (auto [bits, packing] : {std::pair<uint32_t, uint32_t>{32, PEGASUS_PACKING_RGB},
                                 {8, PEGASUS_PACKING_RGB},
                                 {24, kYuy2},
                                 {16, kmx::kFourccMjpg}}) {
        PegasusRecord record = Decode(frame, bits, packing, out);
        EXPECT_EQ(record.error, PEGASUS_ERROR_OUTPUT) << bits << " " << packing;
    }
}

TEST_F(JpegCodec, RequestsOutOfOrderOrOnAStrangeRecordAreRefused) {
    PegasusRecord record;
    std::memset(&record, 0, sizeof record);
    record.size = sizeof record;
    record.request = PEGASUS_REQUEST_EXECUTE;
    EXPECT_EQ(pegasus_(&record), uint32_t(PEGASUS_ANSWER_ERROR));
    EXPECT_EQ(record.error, PEGASUS_ERROR_SEQUENCE);

    record.request = 3;
    EXPECT_EQ(pegasus_(&record), uint32_t(PEGASUS_ANSWER_ERROR));
    EXPECT_EQ(record.error, PEGASUS_ERROR_RECORD);

    // A record of another size is answered but not written to.
    record.size = 2100;
    record.request = PEGASUS_REQUEST_INITIALISE;
    record.error = 0;
    EXPECT_EQ(pegasus_(&record), uint32_t(PEGASUS_ANSWER_ERROR));
    EXPECT_EQ(query_(&record), uint32_t(PEGASUS_ANSWER_ERROR));
    EXPECT_EQ(record.error, 0);
    EXPECT_EQ(record.session.slot, 0u);
    EXPECT_EQ(pegasus_(nullptr), uint32_t(PEGASUS_ANSWER_ERROR));
}

}  // namespace
}  // namespace kmxtest
