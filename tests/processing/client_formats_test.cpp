// The formats the pipeline derives from a camera's MJPG modes, and the
// camera format a client format is decoded from.
#include "processing/client_formats.h"

#include <gtest/gtest.h>

namespace kmx {
namespace {

FormatDescriptor Mode(DWORD compression, BYTE bits, uint16_t width, uint16_t height) {
    FormatDescriptor mode{};
    mode.count = 2;
    mode.index = 1;
    mode.width_step = 8;
    mode.height_step = 8;
    mode.min_width = 160;
    mode.min_height = 120;
    mode.max_width = 640;
    mode.max_height = 480;
    mode.format = {width, height, bits, {}, compression, 2u * width * height + 608, 33};
    return mode;
}

TEST(ClientFormats, AnMjpgModeOf24BitsGivesFourFormatsOfItsSize) {
    const FormatDescriptor native = Mode(kFourccMjpg, 24, 352, 288);
    struct Expected {
        DWORD compression;
        BYTE bits;
        DWORD image_size;
    } const expected[kDerivedFormatCount] = {{kFourccRgb, 24, 352 * 288 * 3},
                                             {kFourccRgb, 16, 352 * 288 * 2},
                                             {kFourccUyvy, 16, 352 * 288 * 2},
                                             {kFourccYuy2, 16, 352 * 288 * 2}};
    for (int kind = 0; kind < kDerivedFormatCount; ++kind) {
        SCOPED_TRACE(kind);
        FormatDescriptor derived{};
        ASSERT_EQ(DeriveFormat(native, kind, &derived), 1);
        EXPECT_EQ(derived.format.compression, expected[kind].compression);
        EXPECT_EQ(derived.format.bits_per_pixel, expected[kind].bits);
        EXPECT_EQ(derived.format.image_size, expected[kind].image_size);
        // Everything else is the mode's.
        EXPECT_EQ(derived.format.width, 352);
        EXPECT_EQ(derived.format.height, 288);
        EXPECT_EQ(derived.format.timing, 33u);
        EXPECT_EQ(derived.count, 2);
        EXPECT_EQ(derived.index, 1);
        EXPECT_EQ(derived.width_step, 8);
        EXPECT_EQ(derived.max_width, 640);
        EXPECT_EQ(derived.min_height, 120);
    }
    FormatDescriptor untouched{};
    EXPECT_EQ(DeriveFormat(native, kDerivedFormatCount, &untouched), 0);
    EXPECT_EQ(DeriveFormat(native, -1, &untouched), 0);
    EXPECT_EQ(untouched.format.width, 0);
}

TEST(ClientFormats, OnlyMjpgModesDeriveAndRgbOnlyFrom24Bits) {
    FormatDescriptor derived{};
    EXPECT_EQ(DeriveFormat(Mode(kFourccKmxx, 16, 352, 288), 0, &derived), 0);
    EXPECT_EQ(DeriveFormat(Mode(kFourccKmxx, 16, 352, 288), 3, &derived), 0);
    const FormatDescriptor mjpg16 = Mode(kFourccMjpg, 16, 320, 240);
    EXPECT_EQ(DeriveFormat(mjpg16, 0, &derived), 0);
    EXPECT_EQ(DeriveFormat(mjpg16, 1, &derived), 0);
    ASSERT_EQ(DeriveFormat(mjpg16, 3, &derived), 1);
    EXPECT_EQ(derived.format.compression, kFourccYuy2);
}

TEST(ClientFormats, DecodedFormatsComeFromMjpgOfTheSameSize) {
    for (auto [compression, bits] :
         {std::pair{kFourccRgb, 24}, {kFourccRgb, 16}, {kFourccUyvy, 16}, {kFourccYuy2, 16}}) {
        SCOPED_TRACE(compression + bits);
        const FormatRecord client{320, 240, BYTE(bits), {}, compression, 1, 66};
        FormatRecord camera{};
        ASSERT_EQ(CameraFormatFor(client, &camera), 1);
        EXPECT_EQ(camera.compression, kFourccMjpg);
        EXPECT_EQ(camera.bits_per_pixel, 24);
        EXPECT_EQ(camera.image_size, 154208u);  // 2 x 320 x 240 + 608
        EXPECT_EQ(camera.width, 320);
        EXPECT_EQ(camera.height, 240);
        EXPECT_EQ(camera.timing, 66u);
    }
    for (auto [compression, bits] :
         {std::pair{kFourccRgb, 8}, {kFourccRgb, 32}, {kFourccMjpg, 24}, {kFourccKmxx, 16}}) {
        const FormatRecord client{320, 240, BYTE(bits), {}, compression, 1, 66};
        FormatRecord camera{7, 7, 7, {}, 7, 7, 7};
        EXPECT_EQ(CameraFormatFor(client, &camera), 0);
        EXPECT_EQ(camera.width, 7);
        EXPECT_EQ(camera.compression, 7u);
    }
}

}  // namespace
}  // namespace kmx
