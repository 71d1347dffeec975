// The scaler plug-in as the frame pipeline uses it: loaded by name, one
// handle per pipeline, bottom-up 24-bit RGB in and out.
#include "plugin_module.h"
#include "test_pictures.h"

#include <kmx512u/kmxscale.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace kmxtest {
namespace {

class Scaler : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(plugin_.Loaded());
        open_ = plugin_.Entry<KMXSCALE_HANDLE_OPEN>("KMXScaleHandleOpen");
        close_ = plugin_.Entry<KMXSCALE_HANDLE_CLOSE>("KMXScaleHandleClose");
        process_ = plugin_.Entry<KMXSCALE_PROCESS>("KMXScaleProcess");
        set_ = plugin_.Entry<KMXSCALE_SET_PARAM>("KMXScaleSetParam");
        get_ = plugin_.Entry<KMXSCALE_GET_PARAM>("KMXScaleGetParam");
        ASSERT_TRUE(open_ && close_ && process_ && set_ && get_);
    }

    // Scales the picture of one size to another; the result as a picture.
    Picture Scale(KMXSCALE_HANDLE& handle, int from_width, int from_height, int to_width,
                  int to_height) {
        std::vector<uint8_t> source = ToBottomUpBgr(MakePicture(from_width, from_height));
        std::vector<uint8_t> destination(size_t(to_width) * size_t(to_height) * 3);
        EXPECT_EQ(process_(&handle, source.data(), uint32_t(source.size()), destination.data(),
                           uint32_t(destination.size())),
                  uint32_t(KMXSCALE_OK));
        return FromBottomUpBgr(destination.data(), to_width, to_height);
    }

    PluginModule plugin_{"KMXScale.dll"};
    KMXSCALE_HANDLE_OPEN open_ = nullptr;
    KMXSCALE_HANDLE_CLOSE close_ = nullptr;
    KMXSCALE_PROCESS process_ = nullptr;
    KMXSCALE_SET_PARAM set_ = nullptr;
    KMXSCALE_GET_PARAM get_ = nullptr;
};

TEST_F(Scaler, ScaledImagesShowTheSamePictureTheSameWayUp) {
    struct Case {
        int from_width, from_height, to_width, to_height;
    };
    for (Case c : {Case{640, 480, 320, 240}, Case{320, 240, 701, 576}, Case{352, 288, 176, 144},
                   Case{640, 480, 161, 97}}) {
        SCOPED_TRACE(testing::Message() << c.from_width << "x" << c.from_height << " to "
                                        << c.to_width << "x" << c.to_height);
        KMXSCALE_HANDLE handle = 0;
        ASSERT_EQ(open_(&handle, c.from_width, c.from_height, c.to_width, c.to_height),
                  uint32_t(KMXSCALE_OK));
        EXPECT_NE(handle, 0u);
        // The picture drawn at the target size is what scaling should
        // approach; only the hard edges may land a pixel apart.
        EXPECT_GT(Psnr(Scale(handle, c.from_width, c.from_height, c.to_width, c.to_height),
                       MakePicture(c.to_width, c.to_height)),
                  24.0);
        EXPECT_EQ(close_(&handle), uint32_t(KMXSCALE_OK));
        EXPECT_EQ(handle, 0u);
    }
}

TEST_F(Scaler, TheFilterIsBilinearUntilChanged) {
    KMXSCALE_HANDLE handle = 0;
    ASSERT_EQ(open_(&handle, 640, 480, 200, 150), uint32_t(KMXSCALE_OK));
    uint32_t filter = 99;
    EXPECT_EQ(get_(&handle, KMXSCALE_PARAM_FILTER, &filter), uint32_t(KMXSCALE_OK));
    EXPECT_EQ(filter, uint32_t(KMXSCALE_FILTER_BILINEAR));
    Picture bilinear = Scale(handle, 640, 480, 200, 150);

    Picture reference = MakePicture(200, 150);
    for (uint32_t chosen : {KMXSCALE_FILTER_NEAREST, KMXSCALE_FILTER_LINEAR, KMXSCALE_FILTER_BOX}) {
        SCOPED_TRACE(chosen);
        EXPECT_EQ(set_(&handle, KMXSCALE_PARAM_FILTER, chosen), uint32_t(KMXSCALE_OK));
        EXPECT_EQ(get_(&handle, KMXSCALE_PARAM_FILTER, &filter), uint32_t(KMXSCALE_OK));
        EXPECT_EQ(filter, chosen);
        Picture scaled = Scale(handle, 640, 480, 200, 150);
        EXPECT_GT(Psnr(scaled, reference), 20.0);
        EXPECT_NE(scaled.rgb, bilinear.rgb);
    }
    EXPECT_EQ(set_(&handle, KMXSCALE_PARAM_FILTER, 4), uint32_t(KMXSCALE_ERROR_PARAMETER));
    EXPECT_EQ(set_(&handle, 2, KMXSCALE_FILTER_BOX), uint32_t(KMXSCALE_ERROR_PARAMETER));
    EXPECT_EQ(get_(&handle, 2, &filter), uint32_t(KMXSCALE_ERROR_PARAMETER));
    EXPECT_EQ(get_(&handle, KMXSCALE_PARAM_FILTER, nullptr), uint32_t(KMXSCALE_ERROR_ARGUMENT));
    EXPECT_EQ(close_(&handle), uint32_t(KMXSCALE_OK));
}

TEST_F(Scaler, WrongSizesAreRefused) {
    KMXSCALE_HANDLE handle = 77;
    EXPECT_EQ(open_(&handle, 0, 480, 320, 240), uint32_t(KMXSCALE_ERROR_SIZE));
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(open_(&handle, 640, 480, 65536, 240), uint32_t(KMXSCALE_ERROR_SIZE));
    EXPECT_EQ(open_(nullptr, 640, 480, 320, 240), uint32_t(KMXSCALE_ERROR_ARGUMENT));

    ASSERT_EQ(open_(&handle, 64, 48, 32, 24), uint32_t(KMXSCALE_OK));
    std::vector<uint8_t> source(64 * 48 * 3 + 1, 0x10);
    std::vector<uint8_t> destination(32 * 24 * 3 + 1, 0x5A);
    for (auto [source_size, destination_size] :
         {std::pair<uint32_t, uint32_t>{64 * 48 * 3 - 1, 32 * 24 * 3},
          {64 * 48 * 3 + 1, 32 * 24 * 3},
          {64 * 48 * 3, 32 * 24 * 3 - 1},
          {64 * 48 * 3, 32 * 24 * 3 + 1}}) {
        EXPECT_EQ(
            process_(&handle, source.data(), source_size, destination.data(), destination_size),
            uint32_t(KMXSCALE_ERROR_SIZE));
    }
    EXPECT_EQ(std::count(destination.begin(), destination.end(), 0x5A),
              std::ptrdiff_t(destination.size()));
    EXPECT_EQ(process_(&handle, nullptr, 64 * 48 * 3, destination.data(), 32 * 24 * 3),
              uint32_t(KMXSCALE_ERROR_ARGUMENT));
    EXPECT_EQ(close_(&handle), uint32_t(KMXSCALE_OK));
}

TEST_F(Scaler, ClosedAndUnknownHandlesAreRefused) {
    KMXSCALE_HANDLE first = 0, second = 0;
    ASSERT_EQ(open_(&first, 64, 48, 32, 24), uint32_t(KMXSCALE_OK));
    ASSERT_EQ(open_(&second, 64, 48, 128, 96), uint32_t(KMXSCALE_OK));
    EXPECT_NE(first, second);
    KMXSCALE_HANDLE stale = first;
    EXPECT_EQ(close_(&first), uint32_t(KMXSCALE_OK));

    std::vector<uint8_t> source(64 * 48 * 3), destination(32 * 24 * 3);
    EXPECT_EQ(process_(&stale, source.data(), uint32_t(source.size()), destination.data(),
                       uint32_t(destination.size())),
              uint32_t(KMXSCALE_ERROR_HANDLE));
    EXPECT_EQ(close_(&stale), uint32_t(KMXSCALE_ERROR_HANDLE));
    EXPECT_EQ(close_(&first), uint32_t(KMXSCALE_ERROR_HANDLE));
    uint32_t filter = 0;
    EXPECT_EQ(get_(&stale, KMXSCALE_PARAM_FILTER, &filter), uint32_t(KMXSCALE_ERROR_HANDLE));
    EXPECT_EQ(set_(&stale, KMXSCALE_PARAM_FILTER, KMXSCALE_FILTER_BOX),
              uint32_t(KMXSCALE_ERROR_HANDLE));

    // The other handle lives on with its own sizes.
    std::vector<uint8_t> larger(128 * 96 * 3);
    EXPECT_EQ(process_(&second, source.data(), uint32_t(source.size()), larger.data(),
                       uint32_t(larger.size())),
              uint32_t(KMXSCALE_OK));
    EXPECT_EQ(close_(&second), uint32_t(KMXSCALE_OK));
}

}  // namespace
}  // namespace kmxtest
