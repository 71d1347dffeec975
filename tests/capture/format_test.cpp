// Format negotiation: DVM_FORMAT as a client sends it, the client formats a
// camera offers, the size rules of the Video Format dialog, and the camera
// modes stepped one at a time.
#include <windows.h>
#include <msviddrv.h>
#include <vfw.h>

#include <gtest/gtest.h>
#include <kmxrecords/camera_commands.h>

#include "capture/camera_mode.h"
#include "capture/capture_camera.h"
#include "capture/capture_test_support.h"
#include "capture/channel_instances.h"
#include "capture/format_negotiation.h"
#include "capture/video_sizes.h"
#include "common/test_environment.h"
#include "device/camera_connection.h"
#include "capture/module_lifecycle.h"
#include "processing/client_formats.h"

namespace {

using kmxcapturetest::CaptureTest;
using kmxcapturetest::Channel;
using Strings = std::vector<std::string>;

constexpr char16_t kDriver[] = u"kmxvfw32.dll";

BITMAPINFOHEADER Header(LONG width, LONG height, WORD bits, DWORD compression, DWORD size) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = compression;
    header.biSizeImage = size;
    return header;
}

void ExpectHeader(const BITMAPINFOHEADER& header, LONG width, LONG height, WORD bits,
                  DWORD compression, DWORD size) {
    BITMAPINFOHEADER expected = Header(width, height, bits, compression, size);
    EXPECT_EQ(memcmp(&header, &expected, sizeof header), 0)
        << header.biWidth << "x" << header.biHeight << " " << header.biBitCount << " bits "
        << header.biCompression << " " << header.biSizeImage;
}

TEST_F(CaptureTest, FormatFlagsQueriesAndShortHeaders) {
    Plug("pantilt", "P");
    Channel capture(kDriver, VIDEO_IN);
    ASSERT_TRUE(capture.IsOpen());
    DWORD answer = 0;
    EXPECT_EQ(capture.Format(VIDEO_CONFIGURE_QUERYSIZE, nullptr, 0, &answer), DV_ERR_OK);
    EXPECT_EQ(answer, 40u);
    answer = 0;
    EXPECT_EQ(capture.Format(VIDEO_CONFIGURE_GET | VIDEO_CONFIGURE_QUERYSIZE, nullptr, 0, &answer),
              DV_ERR_OK);
    EXPECT_EQ(answer, 40u);
    for (DWORD supported : {VIDEO_CONFIGURE_QUERY, VIDEO_CONFIGURE_QUERY | VIDEO_CONFIGURE_SET,
                            VIDEO_CONFIGURE_QUERY | VIDEO_CONFIGURE_GET})
        EXPECT_EQ(capture.Format(supported, nullptr), DV_ERR_OK) << supported;
    BITMAPINFOHEADER header{};
    EXPECT_EQ(capture.Format(VIDEO_CONFIGURE_SET | VIDEO_CONFIGURE_CURRENT, &header),
              DV_ERR_NOTSUPPORTED);
    EXPECT_EQ(capture.Format(VIDEO_CONFIGURE_GET, &header, 39), DV_ERR_SIZEFIELD);
    EXPECT_EQ(capture.Format(VIDEO_CONFIGURE_SET, &header, 39), DV_ERR_SIZEFIELD);
    // No parameter record where one is needed.
    EXPECT_EQ(capture.Send(DVM_FORMAT, VIDEO_CONFIGURE_GET, 0), DV_ERR_PARAM2);
    // The default format: the first of the camera's list.
    ASSERT_EQ(capture.Format(VIDEO_CONFIGURE_GET | VIDEO_CONFIGURE_CURRENT, &header), DV_ERR_OK);
    ExpectHeader(header, 640, 480, 24, BI_RGB, 640 * 480 * 3);
}

TEST_F(CaptureTest, SettingFormatsAppliesWhatChangesAndKeepsWhatIsRefused) {
    Plug("pantilt", "P");
    Channel capture(kDriver, VIDEO_IN);
    ASSERT_TRUE(capture.IsOpen());
    BITMAPINFOHEADER header{};
    ASSERT_EQ(capture.Format(VIDEO_CONFIGURE_GET, &header), DV_ERR_OK);
    // The current format again: nothing to apply.
    EXPECT_EQ(capture.Format(VIDEO_CONFIGURE_SET, &header), DV_ERR_OK);
    EXPECT_EQ(Activity("P"), Strings{"stream-open 640x480 MJPG 24"});

    BITMAPINFOHEADER yuy2 = Header(320, 240, 16, kmx::kFourccYuy2, 320 * 240 * 2);
    EXPECT_EQ(capture.Format(VIDEO_CONFIGURE_SET, &yuy2), DV_ERR_OK);
    EXPECT_EQ(Activity("P"), (Strings{"stream-open 640x480 MJPG 24", "format 320x240 MJPG 24"}));

    // Off the camera's steps, or refused by the camera: the format stays.
    BITMAPINFOHEADER odd = Header(100, 100, 16, kmx::kFourccYuy2, 100 * 100 * 2);
    EXPECT_EQ(capture.Format(VIDEO_CONFIGURE_SET, &odd), DV_ERR_NOTSUPPORTED);
    ArmStatus("P", kmx::kCheckFormatCode, 3);
    BITMAPINFOHEADER mjpg = Header(352, 288, 24, kmx::kFourccMjpg, 2 * 352 * 288 + 608);
    EXPECT_EQ(capture.Format(VIDEO_CONFIGURE_SET, &mjpg), DV_ERR_NOTSUPPORTED);
    ArmStatus("P", kmx::kSetFormatCode, 1);
    EXPECT_EQ(capture.Format(VIDEO_CONFIGURE_SET, &mjpg), DV_ERR_NONSPECIFIC);
    ASSERT_EQ(capture.Format(VIDEO_CONFIGURE_GET, &header), DV_ERR_OK);
    ExpectHeader(header, 320, 240, 16, kmx::kFourccYuy2, 320 * 240 * 2);
    EXPECT_EQ(Activity("P").size(), 2u);
    // After a set that failed half-way the client's format is set afresh.
    EXPECT_EQ(capture.Format(VIDEO_CONFIGURE_SET, &yuy2), DV_ERR_OK);
    EXPECT_EQ(Activity("P").back(), "format 320x240 MJPG 24");
    EXPECT_EQ(Activity("P").size(), 3u);
}

TEST_F(CaptureTest, AClientInAnotherProcessNegotiatesThroughItsAlias) {
    Plug("compact", "C");
    kmxcapturetest::InstallAlias("msvideo", "");
    kmxtest::ChildProcess client(kmxtest::ProgramPath("capture_client"), {});
    auto ask = [&](const std::string& command) {
        client.WriteLine(command);
        return client.ReadLine().value_or("<no answer>");
    };
    ASSERT_EQ(ask("open msvideo"), "error 0");
    EXPECT_EQ(ask("format"), "format 352 288 24 0 304128");
    EXPECT_EQ(ask("set 176 144 16 " + std::to_string(kmx::kFourccUyvy) + " 50688"), "status 0");
    EXPECT_EQ(ask("format"), "format 176 144 16 " + std::to_string(kmx::kFourccUyvy) + " 50688");
    EXPECT_EQ(ask("close"), "closed 1");
    // Opened, set while idle (no mode to step through), closed.
    EXPECT_EQ(Activity("C"),
              (Strings{"stream-open 352x288 MJPG 24", "format 176x144 MJPG 24", "stream-close"}));
}

// A connection of the test's own to the camera listed under ID.
class Connection {
  public:
    explicit Connection(DWORD id) { EXPECT_EQ(kmx::ConnectionOpen(connection_, id, false), 0); }
    ~Connection() { kmx::ConnectionClose(connection_); }
    kmx::CameraConnection& operator*() { return connection_; }

  private:
    kmx::CameraConnection connection_;
};

TEST_F(CaptureTest, TheFormatListDerivesFromMjpgModesThenListsTheModes) {
    Connection camera(Plug("pantilt", "P"));
    kmx::FormatDescriptor formats[8] = {};
    DWORD count = 8;
    ASSERT_EQ(kmx::EnumerateFormats(*camera, &count, formats), 0);
    ASSERT_EQ(count, 6u);
    const struct {
        DWORD compression;
        BYTE bits;
        DWORD size;
    } expected[] = {{BI_RGB, 24, 640 * 480 * 3},
                    {BI_RGB, 16, 640 * 480 * 2},
                    {kmx::kFourccUyvy, 16, 640 * 480 * 2},
                    {kmx::kFourccYuy2, 16, 640 * 480 * 2},
                    {kmx::kFourccMjpg, 24, 2 * 640 * 480 + 608},
                    {kmx::kFourccKmxx, 16, 352 * 16 * 288 / 8 + 1024}};
    for (DWORD i = 0; i < count; ++i) {
        EXPECT_EQ(formats[i].format.compression, expected[i].compression) << i;
        EXPECT_EQ(formats[i].format.bits_per_pixel, expected[i].bits) << i;
        EXPECT_EQ(formats[i].format.image_size, expected[i].size) << i;
    }
    // A short array holds what fits; the count is still the total.
    kmx::FormatDescriptor first{};
    count = 1;
    ASSERT_EQ(kmx::EnumerateFormats(*camera, &count, &first), 0);
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(first.format.bits_per_pixel, 24);

    DWORD index = 0;
    kmx::FormatRecord kmxx{352, 288, 16, {}, kmx::kFourccKmxx, 0, 0};
    ASSERT_TRUE(kmx::FindDescriptor(6, formats, kmxx, &index));
    EXPECT_EQ(index, 5u);
    EXPECT_EQ(kmx::ImageSizeOf(kmxx), 203776u);
    kmx::FormatRecord off_step{344, 280, 16, {}, kmx::kFourccKmxx, 0, 0};
    EXPECT_FALSE(kmx::FindDescriptor(6, formats, off_step, &index));
}

TEST_F(CaptureTest, AnotherCameraChosenInTheVideoFormatDialogTakesOverTheRecord) {
    ASSERT_TRUE(kmx::DriverAppStart());
    DWORD pantilt = Plug("pantilt", "P");
    DWORD compact = Plug("compact", "C");
    kmx::CaptureDevice record;
    record.connection = std::make_unique<kmx::CameraConnection>();
    record.connection_id = pantilt;
    ASSERT_TRUE(kmx::OpenCameraForCapture(record, 0, 0));
    kmx::FormatRecord uyvy{176, 144, 16, {}, kmx::kFourccUyvy, 176 * 144 * 2, 0};
    EXPECT_EQ(kmx::ApplyDialogChoice(record, uyvy, compact), DV_ERR_OK);
    EXPECT_EQ(record.connection_id, compact);
    EXPECT_EQ(record.client_format.compression, kmx::kFourccUyvy);
    // The old camera goes once the new one streams; the format is applied to
    // the new one.
    EXPECT_EQ(Activity("P"), (Strings{"stream-open 640x480 MJPG 24", "stream-close"}));
    EXPECT_EQ(Activity("C"), (Strings{"stream-open 352x288 MJPG 24", "format 176x144 MJPG 24"}));
    // A camera that cannot be had leaves the record as it was.
    EXPECT_EQ(kmx::ApplyDialogChoice(record, uyvy, 9), DV_ERR_NONSPECIFIC);
    EXPECT_EQ(record.connection_id, compact);
    EXPECT_TRUE(kmx::CloseCamera(record));
    kmx::DriverAppExit();
}

TEST(VideoSizes, TheDialogsSizeChoicesStepFromTheMinimum) {
    kmx::FormatDescriptor mode{};
    mode.width_step = 160;
    mode.height_step = 120;
    mode.min_width = 160;
    mode.min_height = 120;
    mode.max_width = 640;
    mode.max_height = 480;
    kmx::SizeChoices choices = kmx::ListSizeChoices(mode, 320, 240);
    std::vector<std::string> texts;
    for (const kmx::SizeChoice& choice : choices.entries) texts.push_back(choice.text);
    EXPECT_EQ(texts, (Strings{"VGA", "QVGA (SIF)", "QSIF"}));
    EXPECT_EQ(choices.selected, 1);
    EXPECT_EQ(choices.entries[1].value, 240u * 65536 + 320);
    // A maximum size without a name comes first; a step of 0 offers the
    // minimum alone.
    mode = {};
    mode.min_width = mode.max_width = 200;
    mode.min_height = mode.max_height = 100;
    choices = kmx::ListSizeChoices(mode, 1, 1);
    ASSERT_EQ(choices.entries.size(), 1u);
    EXPECT_EQ(choices.entries[0].text, "200 X 100");
    EXPECT_EQ(choices.selected, -1);
    kmx::FormatRecord mjpg{320, 240, 24, {}, kmx::kFourccMjpg, 0, 0};
    EXPECT_EQ(kmx::ImageSizeOf(mjpg), 154208u);
    EXPECT_EQ(kmx::NamedSizes().front().width, 701);
}

TEST_F(CaptureTest, CameraModesAreSteppedOneAtATime) {
    Connection camera(Plug("pantilt", "P"));
    EXPECT_TRUE(kmx::SetCameraMode(*camera, nullptr, kmx::kCameraStreaming));
    DWORD cache = kmx::kCameraStreaming;
    EXPECT_TRUE(kmx::SetCameraMode(*camera, &cache, kmx::kCameraReady));
    EXPECT_TRUE(kmx::SetCameraMode(*camera, &cache, kmx::kCameraIdle));
    EXPECT_EQ(cache, kmx::kCameraIdle);
    EXPECT_EQ(Activity("P"), (Strings{"mode 1", "mode 2", "mode 1", "mode 0"}));
    // A step that fails stops there; the cache is read back from the camera.
    ArmStatus("P", kmx::kSetModeCode, 1);
    EXPECT_FALSE(kmx::SetCameraMode(*camera, &cache, kmx::kCameraStreaming));
    EXPECT_EQ(cache, kmx::kCameraIdle);
}

}  // namespace
