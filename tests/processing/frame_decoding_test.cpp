// One frame through the codec as the pipeline speaks to it: the conversation's
// results, including a codec that fails without saying why.
#include "processing/frame_decoding.h"

#include "plugin_module.h"
#include "test_pictures.h"

#include "processing/client_formats.h"

#include <gtest/gtest.h>

namespace kmx {
namespace {

class FrameDecoding : public testing::Test {
  protected:
    void SetUp() override {
        pegasus_ = codec_.Entry<PEGASUS_ENTRY>("Pegasus");
        query_ = codec_.Entry<PEGASUS_QUERY_ENTRY>("PegasusQuery");
        ASSERT_TRUE(pegasus_ && query_);
    }
    LONG Decode(const std::vector<uint8_t>& frame, DWORD bits, DWORD compression,
                std::vector<BYTE>& out) {
        return DecodeCameraFrame(pegasus_, query_, frame.data(), DWORD(frame.size()), bits,
                                 compression, 0, out.data(), DWORD(out.size()));
    }

    kmxtest::PluginModule codec_{kCodecLibrary};
    PEGASUS_ENTRY pegasus_ = nullptr;
    PEGASUS_QUERY_ENTRY query_ = nullptr;
};

TEST_F(FrameDecoding, RefusalsCarryTheCodecsCode) {
    const std::vector<uint8_t> frame = kmxtest::EncodeJpeg(kmxtest::MakePicture(96, 64));
    std::vector<BYTE> out(96 * 64 * 3);
    std::vector<uint8_t> not_jpeg(frame.size(), 0x55);
    EXPECT_EQ(Decode(not_jpeg, 24, kFourccRgb, out), kCodecNotJpeg);
    std::vector<BYTE> short_out(out.size() - 3);
    EXPECT_EQ(Decode(frame, 24, kFourccRgb, short_out), PEGASUS_ERROR_CAPACITY);
    std::vector<uint8_t> truncated(frame.begin(), frame.begin() + frame.size() / 2);
    EXPECT_NE(Decode(truncated, 24, kFourccRgb, out), 0);
}

// A codec that recognises the frame but answers every request with an error
// and no error code.
uint32_t SilentQuery(PegasusRecord* record) {
    record->input_type = PEGASUS_IMAGE_PICJ;
    return PEGASUS_ANSWER_DONE;
}
uint32_t SilentFailure(PegasusRecord* record) {
    record->answer = PEGASUS_ANSWER_ERROR;
    return PEGASUS_ANSWER_ERROR;
}
uint32_t UnknownQuery(PegasusRecord* record) {
    record->input_type = PEGASUS_IMAGE_UNKNOWN;
    return PEGASUS_ANSWER_DONE;
}

TEST(FrameDecodingFailures, ASilentCodecFailureIsStillAFailure) {
    const BYTE frame[4] = {};
    BYTE out[6] = {};
    EXPECT_EQ(DecodeCameraFrame(SilentFailure, SilentQuery, frame, 4, 24, kFourccRgb, 0, out, 6),
              kCodecFailed);
    EXPECT_EQ(DecodeCameraFrame(SilentFailure, UnknownQuery, frame, 4, 24, kFourccRgb, 0, out, 6),
              kCodecNotJpeg);
}

}  // namespace
}  // namespace kmx
