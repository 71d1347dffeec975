// Flip and mirror done by the library on 24-bit RGB frames: the camera
// settings that ask for it, kept where the frame path reads them without
// waiting for the camera.
#include "common/failing_allocations.h"
#include "pipeline_fixture.h"

#include "api/camera_handle.h"
#include "api/library_orientation.h"

#include <thread>

namespace kmxtest {
namespace {

using kmx::kFourccRgb;

class LibraryOrientation : public PipelineTest {
  protected:
    void SetUp() override {
        PipelineTest::SetUp();
        Connect("compact");  // leaves flip and mirror to the library
        ASSERT_EQ(kmx::ConnectionIdentity(connection_, &id_, nullptr, nullptr), 0);
        handle_ = Open(id_);
        frame_ = EncodeJpeg(MakePicture(kWidth, kHeight));
    }
    void TearDown() override {
        KMXPI_HandleClose(&handle_);
        PipelineTest::TearDown();
    }
    void Set(DWORD id, BYTE value) {
        ASSERT_EQ(KMXPI_PropertySet(handle_, &KMXPI_PROPSET_IMAGE, id, 1, &value),
                  KMXPI_STATUS_SUCCESS);
    }
    // Writes the setting past this library, as another process would.
    void SetElsewhere(DWORD id, BYTE value) {
        HANDLE device = INVALID_HANDLE_VALUE;
        ASSERT_TRUE(kmx::OpenCamera(&device, id_, false, nullptr));
        kmx::InterfaceHeader header{};
        header.set = KMXPI_PROPSET_IMAGE;
        header.id = id;
        header.length = sizeof value;
        EXPECT_EQ(
            kmx::SendInterfaceCommand(device, kmx::kPropertySetCode, header, &value, sizeof value),
            KMXPI_STATUS_SUCCESS);
        kmx::CloseDevice(&device);
    }
    // The next frame of a pipeline open for CLIENT.
    std::vector<BYTE> Next(const kmx::FormatRecord& client) {
        std::vector<BYTE> out(client.image_size);
        EXPECT_EQ(Process(frame_, out), 1);
        return out;
    }
    std::vector<BYTE> FirstFrame(const kmx::FormatRecord& client) {
        kmx::PipelineClose(state_);
        EXPECT_EQ(Open(client), 1);
        return Next(client);
    }

    static constexpr int kWidth = 352, kHeight = 288;
    const kmx::FormatRecord rgb_ = Client(kWidth, kHeight, kFourccRgb, 24);
    DWORD id_ = 0;
    KMXPI_HANDLE handle_ = nullptr;
    std::vector<uint8_t> frame_;
};

TEST_F(LibraryOrientation, RgbFramesAreTurnedAsTheCameraSettingsSay) {
    const std::vector<BYTE> upright = FirstFrame(rgb_);
    Set(KMXPI_IMAGE_FLIP, 1);
    EXPECT_EQ(FirstFrame(rgb_), Turned(upright, kWidth, kHeight, true, false));
    Set(KMXPI_IMAGE_MIRROR, 1);
    EXPECT_EQ(FirstFrame(rgb_), Turned(upright, kWidth, kHeight, true, true));
    Set(KMXPI_IMAGE_FLIP, 0);
    EXPECT_EQ(FirstFrame(rgb_), Turned(upright, kWidth, kHeight, false, true));

    // Scaled frames (from the next larger native size) are turned before
    // they are scaled, which comes to the same picture but for the
    // scaler's rounding.
    const kmx::FormatRecord scaled = Client(200, 150, kFourccRgb, 24);
    Set(KMXPI_IMAGE_SIZE_SELECTION, 2);
    Set(KMXPI_IMAGE_MIRROR, 0);
    const std::vector<BYTE> scaled_upright = FirstFrame(scaled);
    ASSERT_EQ(state_.scaling, 1u);
    Set(KMXPI_IMAGE_FLIP, 1);
    Set(KMXPI_IMAGE_MIRROR, 1);
    const std::vector<BYTE> scaled_turned = FirstFrame(scaled);
    EXPECT_GT(Psnr(FromBottomUpBgr(scaled_turned.data(), 200, 150),
                   FromBottomUpBgr(Turned(scaled_upright, 200, 150, true, true).data(), 200, 150)),
              40.0);
}

TEST_F(LibraryOrientation, AWriteThroughTheLibraryShowsAtOnceAndOneFromElsewhereSoon) {
    const std::vector<BYTE> upright = FirstFrame(rgb_);
    Set(KMXPI_IMAGE_MIRROR, 1);
    EXPECT_TRUE(Next(rgb_) == Turned(upright, kWidth, kHeight, false, true));

    SetElsewhere(KMXPI_IMAGE_FLIP, 1);
    const std::vector<BYTE> both = Turned(upright, kWidth, kHeight, true, true);
    for (DWORD start = GetTickCount(); Next(rgb_) != both && GetTickCount() - start < 10000;) {
    }
    EXPECT_TRUE(Next(rgb_) == both);
}

TEST_F(LibraryOrientation, TheFramePathNeitherWaitsForTheCameraNorAllocates) {
    FirstFrame(rgb_);
    Set(KMXPI_IMAGE_FLIP, 1);
    Set(KMXPI_IMAGE_MIRROR, 1);
    // A camera that holds every property read: frames must flow regardless,
    // for several refresh periods, without a single allocation.
    kmxcam::Fault stall;
    stall.kind = kmxcam::FaultKind::Stall;
    ASSERT_TRUE(service_->ArmFault("P1", kmx::kPropertyGetCode, stall));
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    size_t allocations = 0;
    int dropped = 0;
    std::thread stream([&] {
        std::vector<BYTE> out(rgb_.image_size);
        dropped += 1 - Process(frame_, out);  // the codec's first frame on this thread
        size_t before = AllocationCount();
        for (DWORD start = GetTickCount(); GetTickCount() - start < 3 * kmx::kOrientationRefreshMs;)
            dropped += 1 - Process(frame_, out);
        allocations = AllocationCount() - before;
        SetEvent(done);
    });
    EXPECT_EQ(WaitForSingleObject(done, 20000), WAIT_OBJECT_0) << "a frame waited for the camera";
    service_->ClearFaults("P1");
    stream.join();
    CloseHandle(done);
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(dropped, 0);
}

TEST_F(LibraryOrientation, OnlyRgbFramesAreTurned) {
    const kmx::FormatRecord yuy2 = Client(kWidth, kHeight, kmx::kFourccYuy2, 16);
    const std::vector<BYTE> upright = FirstFrame(yuy2);
    Set(KMXPI_IMAGE_FLIP, 1);
    EXPECT_EQ(FirstFrame(yuy2), upright);
}

TEST_F(LibraryOrientation, CamerasThatTurnFramesThemselvesAreLeftToIt) {
    kmx::PipelineClose(state_);
    KMXPI_HandleClose(&handle_);
    kmx::ConnectionClose(connection_);
    Unplug("P1");
    Connect("pantilt");
    ASSERT_EQ(Open(rgb_), 1);
    EXPECT_EQ(state_.orientation, nullptr);
}

}  // namespace
}  // namespace kmxtest
