// Which camera format a client format is captured in: the camera's size
// selection for 24-bit RGB at sizes the camera does not have natively.
#include "pipeline_fixture.h"

namespace kmxtest {
namespace {

using kmx::kFourccMjpg;
using kmx::kFourccRgb;

class CameraFormatMapping : public PipelineTest {
  protected:
    void SetUp() override {
        PipelineTest::SetUp();
        Connect("pantilt");  // native sizes 640x480 352x288 320x240 176x144 160x120
    }
    void Select(BYTE selection) {
        DWORD id = 0;
        ASSERT_EQ(kmx::ConnectionIdentity(connection_, &id, nullptr, nullptr), 0);
        KMXPI_HANDLE handle = Open(id);
        ASSERT_EQ(KMXPI_PropertySet(handle, &KMXPI_PROPSET_IMAGE, KMXPI_IMAGE_SIZE_SELECTION, 1,
                                    &selection),
                  KMXPI_STATUS_SUCCESS);
        KMXPI_HandleClose(&handle);
    }
    // The camera size chosen for a 24-bit RGB client of WIDTH x HEIGHT.
    std::pair<int, int> CameraSize(uint16_t width, uint16_t height) {
        kmx::FormatRecord camera{};
        EXPECT_EQ(kmx::MapClientToCameraFormat(connection_, Client(width, height, kFourccRgb, 24),
                                               &camera),
                  0);
        EXPECT_EQ(camera.compression, kFourccMjpg);
        EXPECT_EQ(camera.bits_per_pixel, 24);
        EXPECT_EQ(camera.image_size, 2u * camera.width * camera.height + 608);
        return {camera.width, camera.height};
    }
};

TEST_F(CameraFormatMapping, ANativeSizeIsCapturedAsItIs) {
    for (BYTE selection : {0, 1, 2}) {
        Select(selection);
        EXPECT_EQ(CameraSize(352, 288), std::pair(352, 288));
        EXPECT_EQ(CameraSize(160, 120), std::pair(160, 120));
    }
}

TEST_F(CameraFormatMapping, TheSelectionPicksTheNextSmallerOrLargerNativeSize) {
    Select(0);  // keep the requested size
    EXPECT_EQ(CameraSize(400, 300), std::pair(400, 300));
    Select(1);  // the next smaller size, else the larger one
    EXPECT_EQ(CameraSize(400, 300), std::pair(352, 288));
    EXPECT_EQ(CameraSize(800, 600), std::pair(640, 480));
    EXPECT_EQ(CameraSize(100, 80), std::pair(160, 120));
    Select(2);  // the next larger size
    EXPECT_EQ(CameraSize(400, 300), std::pair(640, 480));
    EXPECT_EQ(CameraSize(200, 150), std::pair(320, 240));
    EXPECT_EQ(CameraSize(800, 600), std::pair(800, 600));  // none larger
    // A size that only the largest native size exceeds, in one direction,
    // is taken as it is.
    EXPECT_EQ(CameraSize(600, 500), std::pair(600, 500));
}

TEST_F(CameraFormatMapping, OtherFormatsAndUnaskableCamerasKeepTheClientsSize) {
    Select(2);
    kmx::FormatRecord camera{};
    EXPECT_EQ(
        kmx::MapClientToCameraFormat(connection_, Client(400, 300, kmx::kFourccYuy2, 16), &camera),
        0);
    EXPECT_EQ(camera.width, 400);
    EXPECT_EQ(camera.compression, kFourccMjpg);

    const kmx::FormatRecord kmxx{352, 288, 16, {}, kmx::kFourccKmxx, 203776, 66};
    EXPECT_EQ(kmx::MapClientToCameraFormat(connection_, kmxx, &camera), 0);
    EXPECT_EQ(std::memcmp(&camera, &kmxx, sizeof kmxx), 0);

    // Without a camera to ask, the mapping still succeeds.
    kmx::ConnectionClose(connection_);
    EXPECT_EQ(CameraSize(400, 300), std::pair(400, 300));
}

TEST_F(CameraFormatMapping, ACameraWithoutSizeSelectionKeepsTheClientsSize) {
    kmx::ConnectionClose(connection_);
    Unplug("P1");
    Connect("minimal");
    EXPECT_EQ(CameraSize(200, 150), std::pair(200, 150));
}

}  // namespace
}  // namespace kmxtest
