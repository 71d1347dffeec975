// The capture driver as a client reaches it, through OpenDriver and
// SendDriverMessage to the linking driver: the dispatcher's answers, the two
// channels of a client on one camera, a second client, and which camera an
// open takes (the locked one, else the first whose identity matches).
#include <windows.h>
#include <msviddrv.h>
#include <vfw.h>

#include <gtest/gtest.h>
#include <kmx512u/kmxvfw.h>
#include <kmxrecords/camera_commands.h>

#include "capture/capture_test_support.h"
#include "common/test_environment.h"
#include "ui/settings_dialog_resources.h"
#include "ui/settings_dialog_script.h"

namespace {

using kmxcapturetest::CaptureTest;
using kmxcapturetest::Channel;
using kmxcapturetest::InstallAlias;
using kmxcapturetest::kCompactIdentity1;
using kmxcapturetest::kCompactIdentity2;
using Strings = std::vector<std::string>;

constexpr char16_t kDriver[] = u"kmxvfw32.dll";

template <class Function>
Function* ExportOf(HMODULE module, const char* name) {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

TEST_F(CaptureTest, DispatcherAnswersTheDriverLifetimeAndUnhandledMessages) {
    // An open without open parameters is for configuration only.
    HDRVR configuration = OpenDriver(kDriver, nullptr, 0);
    ASSERT_NE(configuration, nullptr);
    EXPECT_EQ(SendDriverMessage(configuration, DRV_LOAD, 0, 0), 1);
    EXPECT_EQ(SendDriverMessage(configuration, DRV_FREE, 0, 0), 1);
    EXPECT_EQ(SendDriverMessage(configuration, DRV_QUERYCONFIGURE, 0, 0), 1);
    for (UINT unhandled :
         std::initializer_list<UINT>{DRV_ENABLE, DRV_DISABLE, DRV_INSTALL, DRV_REMOVE,
                                     DVM_STREAM_GETPOSITION, DVM_GETERRORTEXT, 0x7777})
        EXPECT_EQ(SendDriverMessage(configuration, unhandled, 0, 0), DV_ERR_NOTSUPPORTED)
            << unhandled;
    // With a link record the Driver Information dialog shows until closed.
    std::string caption;
    kmxtest::RunWithScript(
        [&](HWND dialog) {
            caption = kmxtest::Caption(dialog);
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        },
        [&] { EXPECT_EQ(SendDriverMessage(configuration, DRV_CONFIGURE, 0, 0), 0); });
    EXPECT_EQ(caption, "Driver Information");
    // No device record holds the configuration instance.
    BITMAPINFOHEADER header{};
    EXPECT_EQ(SendDriverMessage(configuration, DVM_DIALOG, 0, 0), DV_ERR_NONSPECIFIC);
    VIDEOCONFIGPARMS parameters{nullptr, &header, sizeof header, nullptr, 0};
    EXPECT_EQ(SendDriverMessage(configuration, DVM_FORMAT, VIDEO_CONFIGURE_GET,
                                reinterpret_cast<LPARAM>(&parameters)),
              DV_ERR_NONSPECIFIC);
    // The entry points themselves, as a linking driver links against them.
    HMODULE library = GetModuleHandleA("libkmx512u");
    ASSERT_NE(library, nullptr);
    auto driver_proc = ExportOf<decltype(KMXVFW32_DriverProc)>(library, "KMXVFW32_DriverProc");
    auto driver_proc16 =
        ExportOf<decltype(DLL32_VFW16DriverProc)>(library, KMXVFW16_DRIVERPROC_EXPORT);
    ASSERT_TRUE(driver_proc && driver_proc16);
    EXPECT_NE(GetProcAddress(library, KMXVFW16_TRACE_EXPORT), nullptr);
    EXPECT_NE(GetProcAddress(library, KMXVFW16_DEBUGTEXT_EXPORT), nullptr);
    EXPECT_EQ(driver_proc(0, nullptr, DRV_OPEN, 0, 0), KMXVFW_CONFIGURATION_INSTANCE);
    EXPECT_EQ(driver_proc(0, nullptr, DRV_CONFIGURE, 0, 0), 1);
    EXPECT_EQ(driver_proc(0x1234, nullptr, DRV_CLOSE, 0, 0), 0);  // no record holds it
    EXPECT_EQ(driver_proc16(0, 0, DRV_LOAD, 0, 0), 1);
    EXPECT_EQ(driver_proc16(0, 0, DRV_ENABLE, 0, 0), DV_ERR_NOTSUPPORTED);
    // 16:16 addresses that nothing maps fail cleanly: no open, and the
    // answers of missing records.
    EXPECT_EQ(driver_proc16(0, 0, DRV_OPEN, 0, 0), KMXVFW_CONFIGURATION_INSTANCE);
    EXPECT_EQ(driver_proc16(0, 0, DRV_OPEN, 0xFFF70000, 0xFFEF0000), 0);
    for (UINT message : {DVM_FORMAT, DVM_FRAME, DVM_STREAM_INIT, DVM_STREAM_PREPAREHEADER,
                         DVM_STREAM_ADDBUFFER, DVM_STREAM_UNPREPAREHEADER, DVM_STREAM_GETERROR})
        EXPECT_EQ(driver_proc16(0x1234, 0, message, 0xDEAD0007, 0xBEEF0007), DV_ERR_NONSPECIFIC)
            << message;

    EXPECT_EQ(SendDriverMessage(configuration, DRV_CLOSE, 0, 0), 1);
    EXPECT_TRUE(CloseDriver(configuration, 0, 0));
}

TEST(LinkingDriver, ItsCallbackChannelAcceptsAStreamAndReachesNoChannel) {
    // The library opens the linking driver this way to deliver a stream's
    // callbacks; a 0 answer to the stream's open would fail every stream.
    HDRVR callbacks = OpenDriver(kDriver, nullptr, KMXVFW_MAGIC);
    ASSERT_NE(callbacks, nullptr);
    EXPECT_NE(SendDriverMessage(callbacks, KMXVFW_STREAM_OPEN, 0, KMXVFW_MAGIC), 0);
    // Channel messages on it are not the library's to answer.
    EXPECT_EQ(SendDriverMessage(callbacks, DVM_DIALOG, 0, VIDEO_DLG_QUERY), 0);
    EXPECT_EQ(SendDriverMessage(callbacks, KMXVFW_STREAM_CLOSE, 0, KMXVFW_MAGIC), 0);
    EXPECT_TRUE(CloseDriver(callbacks, 0, KMXVFW_MAGIC));
}

TEST_F(CaptureTest, AClientsTwoChannelsShareOneCameraASecondClientIsRefused) {
    Plug("pantilt", "P");
    Channel capture(kDriver, VIDEO_IN);
    ASSERT_TRUE(capture.IsOpen()) << capture.Error();
    EXPECT_EQ(capture.Error(), DV_ERR_OK);
    // The first record reached has its capture channel taken.
    Channel second(kDriver, VIDEO_IN);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(second.Error(), DV_ERR_ALLOCATED);
    Channel output(kDriver, VIDEO_OUT);
    EXPECT_EQ(output.Error(), DV_ERR_NOTDETECTED);
    Channel external(kDriver, VIDEO_EXTERNALIN);
    ASSERT_TRUE(external.IsOpen()) << external.Error();
    EXPECT_EQ(Activity("P"), Strings{"stream-open 640x480 MJPG 24"});
    // With both channels taken a client gets a record of its own, and the
    // camera, streaming for the first, is not to be had.
    Channel third(kDriver, VIDEO_IN);
    EXPECT_EQ(third.Error(), DV_ERR_NOTDETECTED);

    // The query needs no camera: both channels have their dialog.
    EXPECT_EQ(capture.Send(DVM_DIALOG, 0, VIDEO_DLG_QUERY), DV_ERR_OK);
    EXPECT_EQ(external.Send(DVM_DIALOG, 0, VIDEO_DLG_QUERY), DV_ERR_OK);

    // Either channel closes alone; the camera goes with the second.
    EXPECT_TRUE(capture.Close());
    EXPECT_EQ(Activity("P"), Strings{"stream-open 640x480 MJPG 24"});
    EXPECT_TRUE(external.Close());
    EXPECT_EQ(Activity("P"), (Strings{"stream-open 640x480 MJPG 24", "stream-close"}));

    // A fresh record, and the camera opened anew.
    Channel again(kDriver, VIDEO_IN);
    EXPECT_TRUE(again.IsOpen());
    EXPECT_EQ(Activity("P").size(), 3u);
}

TEST_F(CaptureTest, ADialogOnALostCameraOpensItAgainOrAnswersNotDetected) {
    Plug("pantilt", "P");
    Channel capture(kDriver, VIDEO_IN);
    ASSERT_TRUE(capture.IsOpen());
    ArmStatus("P", kmx::kGetModeCode, 1);
    // The camera check fails, the camera is closed and opened again, and
    // the Video Format dialog shows.
    std::string caption;
    kmxtest::RunWithScript(
        [&](HWND dialog) {
            caption = kmxtest::Caption(dialog);
            SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        },
        [&] { EXPECT_EQ(capture.Send(DVM_DIALOG, 0, 0), DV_ERR_OK); });
    EXPECT_EQ(caption, "Video Format");
    EXPECT_EQ(Activity("P"), (Strings{"stream-open 640x480 MJPG 24", "stream-close",
                                      "stream-open 640x480 MJPG 24"}));
    service_->Unplug("P");
    EXPECT_EQ(capture.Send(DVM_DIALOG, 0, 0), DV_ERR_NOTDETECTED);
}

TEST_F(CaptureTest, AnotherCameraChosenInTheVideoFormatDialogTakesTheChannelOver) {
    Plug("pantilt", "P");
    DWORD compact = Plug("compact", "C");
    Channel capture(kDriver, VIDEO_IN);
    ASSERT_TRUE(capture.IsOpen());
    kmxtest::RunWithScript(
        [&](HWND dialog) {
            kmxtest::Choose(dialog, IDC_VF_CAMERA_LIST, "USB" + std::to_string(compact));
            kmxtest::Choose(dialog, IDC_VF_SIZE_LIST, "CIF");
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        },
        [&] { EXPECT_EQ(capture.Send(DVM_DIALOG, 0, 0), DV_ERR_OK); });
    EXPECT_EQ(Activity("P").back(), "stream-close");
    ASSERT_FALSE(Activity("C").empty());
    EXPECT_EQ(Activity("C").front(), "stream-open 352x288 MJPG 24");
    BITMAPINFOHEADER header{};
    ASSERT_EQ(capture.Format(VIDEO_CONFIGURE_GET | VIDEO_CONFIGURE_CURRENT, &header), DV_ERR_OK);
    EXPECT_EQ(header.biWidth, 352);
    EXPECT_EQ(header.biHeight, 288);
}

TEST_F(CaptureTest, TheIdentityAskedForIsSearchedFromTheFirstCamera) {
    Plug("pantilt", "P");
    Plug("compact", "C");
    InstallAlias("msvideo", "");
    char identity[32];
    snprintf(identity, sizeof identity, "%#x %#x", kCompactIdentity1, kCompactIdentity2);
    InstallAlias("msvideo1", identity);
    InstallAlias("msvideo2", "0x1 0x2");

    Channel any(u"msvideo", VIDEO_IN);
    ASSERT_TRUE(any.IsOpen());
    EXPECT_EQ(Activity("P"), Strings{"stream-open 640x480 MJPG 24"});
    EXPECT_TRUE(any.Close());

    // The pan/tilt camera answers first and is passed over.
    Channel compact(u"msvideo1", VIDEO_IN);
    ASSERT_TRUE(compact.IsOpen());
    EXPECT_EQ(Activity("C"), Strings{"stream-open 352x288 MJPG 24"});
    EXPECT_EQ(Activity("P").size(), 2u);
    EXPECT_TRUE(compact.Close());

    Channel none(u"msvideo2", VIDEO_IN);
    EXPECT_FALSE(none.IsOpen());
    EXPECT_EQ(none.Error(), DV_ERR_NOTDETECTED);
}

TEST_F(CaptureTest, TheCameraLockedByAnotherProcessIsTaken) {
    Plug("pantilt", "P");
    DWORD compact = Plug("compact", "C");
    kmxtest::ChildProcess peer(kmxtest::ProgramPath("api_peer"), {});
    peer.WriteLine("open " + std::to_string(compact));
    ASSERT_EQ(peer.ReadLine(), "status 0");
    peer.WriteLine("lock");
    ASSERT_EQ(peer.ReadLine(), "status 0");

    Channel capture(kDriver, VIDEO_IN);
    ASSERT_TRUE(capture.IsOpen()) << capture.Error();
    EXPECT_EQ(Activity("C"), Strings{"stream-open 352x288 MJPG 24"});
    EXPECT_TRUE(Activity("P").empty());

    // A client that asks for another camera than the locked one searches.
    InstallAlias("msvideo", "0x05120001 0x00010215");
    capture.Close();
    Channel pantilt(u"msvideo", VIDEO_IN);
    ASSERT_TRUE(pantilt.IsOpen());
    EXPECT_EQ(Activity("P"), Strings{"stream-open 640x480 MJPG 24"});
}

}  // namespace
