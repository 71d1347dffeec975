// The example transform plug-in: its handshake with the pipeline and the
// time stamp it draws into each kind of client frame.
#include "plugin_module.h"
#include "test_pictures.h"

#include <kmx512u/kmxtransform.h>
#include <kmxrecords/camera_commands.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace kmxtest {
namespace {

using kmx::kFourccMjpg;
using kmx::kFourccUyvy;
using kmx::kFourccYuy2;

class TransformPlugin : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(plugin_.Loaded());
        initialise_ = plugin_.Entry<KMXTRANSFORM_INITIALISE>("Initialise");
        transform_ = plugin_.Entry<KMXTRANSFORM_TRANSFORM>("Transform");
        terminate_ = plugin_.Entry<KMXTRANSFORM_TERMINATE>("Terminate");
        ASSERT_TRUE(initialise_ && transform_ && terminate_);
    }

    // A mid-grey frame of FORMAT.
    static std::vector<uint8_t> GreyFrame(const KMXTransformFormat& format) {
        size_t bytes = size_t(format.width) * format.height * format.bits / 8;
        if (format.compression != 0) return std::vector<uint8_t>(bytes, 0x80);
        if (format.bits == 24) return std::vector<uint8_t>(bytes, 0x80);
        std::vector<uint8_t> frame(bytes);
        for (size_t i = 0; i < bytes; i += 2) {
            frame[i] = 0x10;  // 5-5-5 grey: 16 in each channel
            frame[i + 1] = 0x42;
        }
        return frame;
    }

    static Picture Read(const KMXTransformFormat& format, const std::vector<uint8_t>& frame) {
        int width = int(format.width), height = int(format.height);
        if (format.compression == 0)
            return format.bits == 24 ? FromBottomUpBgr(frame.data(), width, height)
                                     : FromBottomUpRgb555(frame.data(), width, height);
        return FromPacked422(frame.data(), width, height, format.compression == kFourccYuy2);
    }

    PluginModule plugin_{"kmxstamp.dll"};
    KMXTRANSFORM_INITIALISE initialise_ = nullptr;
    KMXTRANSFORM_TRANSFORM transform_ = nullptr;
    KMXTRANSFORM_TERMINATE terminate_ = nullptr;
};

TEST_F(TransformPlugin, AcceptsOnlyTheLibrarysGreeting) {
    EXPECT_EQ(initialise_("BRELIX"), KMXTRANSFORM_ACCEPTED);
    EXPECT_NE(initialise_("brelix"), KMXTRANSFORM_ACCEPTED);
    EXPECT_NE(initialise_("BRELIX2"), KMXTRANSFORM_ACCEPTED);
    EXPECT_NE(initialise_(nullptr), KMXTRANSFORM_ACCEPTED);
    terminate_();
}

TEST_F(TransformPlugin, StampsTheTopLeftCornerOfEveryClientFormat) {
    for (KMXTransformFormat format :
         {KMXTransformFormat{0, 24, 320, 240}, KMXTransformFormat{0, 16, 320, 240},
          KMXTransformFormat{kFourccYuy2, 16, 320, 240},
          KMXTransformFormat{kFourccUyvy, 16, 321, 240}, KMXTransformFormat{0, 24, 640, 480}}) {
        SCOPED_TRACE(testing::Message()
                     << format.compression << "/" << format.bits << " " << format.width);
        std::vector<uint8_t> frame = GreyFrame(format);
        Picture before = Read(format, frame);
        ASSERT_EQ(transform_(&format, uint32_t(frame.size()), frame.data()), 0u);
        Picture after = Read(format, frame);
        int changed = 0, white = 0;
        for (int y = 0; y < after.height; ++y) {
            for (int x = 0; x < after.width; ++x) {
                size_t at = (size_t(y) * size_t(after.width) + size_t(x)) * 3;
                if (std::equal(&after.rgb[at], &after.rgb[at + 3], &before.rgb[at])) continue;
                ++changed;
                // Seen upright, the stamp sits in the upper left corner and
                // is black and white only.
                ASSERT_LT(y, after.height / 8) << x << "," << y;
                ASSERT_LT(x, after.width * 3 / 4) << x << "," << y;
                for (int c = 0; c < 3; ++c)
                    ASSERT_TRUE(after.rgb[at + c] < 10 || after.rgb[at + c] > 245);
                if (after.rgb[at] > 245) ++white;
            }
        }
        // A box of readable size, with a good share of lit glyph pixels.
        EXPECT_GT(changed, 1000);
        EXPECT_GT(white, changed / 6);
    }
}

TEST_F(TransformPlugin, LeavesFramesItCannotDrawIntoAlone) {
    KMXTransformFormat rgb{0, 24, 64, 48};
    std::vector<uint8_t> frame(64 * 48 * 4, 0x33);
    for (auto [format, size] :
         {std::pair{KMXTransformFormat{kFourccMjpg, 24, 64, 48}, 64u * 48 * 3},
          {KMXTransformFormat{0, 32, 64, 48}, 64u * 48 * 4},
          {KMXTransformFormat{kFourccYuy2, 24, 64, 48}, 64u * 48 * 3},
          {KMXTransformFormat{0, 24, 0, 48}, 64u * 48 * 3},
          {rgb, 64u * 48 * 3 - 1}}) {
        EXPECT_NE(transform_(&format, size, frame.data()), 0u);
        EXPECT_EQ(std::count(frame.begin(), frame.end(), 0x33), std::ptrdiff_t(frame.size()));
    }
    EXPECT_NE(transform_(nullptr, 64 * 48 * 3, frame.data()), 0u);
    EXPECT_NE(transform_(&rgb, 64 * 48 * 3, nullptr), 0u);
}

TEST_F(TransformPlugin, CutsTheStampOffAtTheEdgesOfSmallFrames) {
    for (KMXTransformFormat format :
         {KMXTransformFormat{0, 24, 7, 5}, KMXTransformFormat{kFourccYuy2, 16, 3, 3},
          KMXTransformFormat{0, 16, 1, 1}}) {
        // Exactly sized, so that the sanitizer sees any stray write.
        std::vector<uint8_t> frame = GreyFrame(format);
        EXPECT_EQ(transform_(&format, uint32_t(frame.size()), frame.data()), 0u);
    }
}

}  // namespace
}  // namespace kmxtest
