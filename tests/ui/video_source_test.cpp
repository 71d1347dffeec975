// The Video Source sheet against the simulated cameras, driven as a user
// drives it (input through the real input path) inside its modal loop:
// what each page shows per camera, what Cancel puts back, a camera
// unplugged while the sheet is open, the sheet's texts, and the way a
// capture client opens it.
//
// The page pictures are compared with tests/ui/video_source_pictures/*.png;
// after a deliberate change of the look, write them anew with
//   KMX512_WRITE_REFERENCE=1 build/bin/video_source_test --gtest_filter='*Pictures*'
// and look at them before committing them.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <msviddrv.h>
#include <prsht.h>
#include <vfw.h>

#include <kmx512u/kmxpi.h>
#include <kmxwin/window_snapshot.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "camera_service.h"
#include "capture/module_lifecycle.h"
#include "common/listed_camera.h"
#include "common/test_environment.h"
#include "control_host.h"
#include "device/camera_connection.h"
#include "picture_compare.h"
#include "sheet_script.h"
#include "ui/language_table.h"
#include "ui/video_source_resources.h"
#include "ui/video_source_sheet.h"

namespace {

namespace fs = std::filesystem;
using kmxtest::Click;
using kmxtest::ClickTab;
using kmxtest::InjectTap;
using kmxtest::SheetScript;
using kmxtest::TabText;
using Steps = std::deque<SheetScript::Step>;

HWND CurrentPage(HWND sheet) {
    return PropSheet_GetCurrentPageHwnd(sheet);
}

// Whether control ID of PAGE is shown, and whether it takes input; by its
// own style, so that a page behind another answers as well.
bool Shown(HWND page, int id) {
    return GetWindowLongA(GetDlgItem(page, id), GWL_STYLE) & WS_VISIBLE;
}
bool Enabled(HWND page, int id) {
    return IsWindowEnabled(GetDlgItem(page, id));
}

std::string Text(HWND window) {
    char text[128] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

class VideoSourceTest : public testing::Test {
  protected:
    void SetUp() override {
        setenv("KMX512_DISPLAY", "headless", 1);
        service_ = kmxtest::EmbeddedCameraService();
        ASSERT_TRUE(service_);
        ASSERT_TRUE(kmx::DriverAppStart());
        started_ = true;
        // The library's own language file, as the library finds it beside itself.
        kmx::LoadLanguageFile(kmxtest::ProgramPath("../lib/kmx512u.cfg").c_str(), 0);
    }

    void TearDown() override {
        if (handle_) KMXPI_HandleClose(&handle_);
        kmx::ConnectionClose(connection_);
        if (started_) kmx::DriverAppExit();
        service_.reset();
    }

    // Plugs a camera of PROFILE as "S" and opens the connection the sheet
    // works on, and a handle of the test's own to look at the camera.
    void Plug(const std::string& profile) {
        DWORD id = kmxtest::PlugListedCamera(*service_, profile, "S");
        ASSERT_NE(id, 0u);
        ASSERT_EQ(kmx::ConnectionOpen(connection_, id, false), 0);
        ASSERT_EQ(KMXPI_HandleOpen(id, &handle_), KMXPI_STATUS_SUCCESS);
    }

    void RunSheet(Steps steps) {
        SheetScript::Run(
            [this] {
                kmx::ui::ShowVideoSourceDialog(nullptr, connection_, false);
                return 0;
            },
            std::move(steps));
    }

    BYTE Byte(const GUID& set, DWORD id) {
        BYTE value = 0xEE;
        EXPECT_EQ(KMXPI_PropertyGet(handle_, &set, id, 1, &value), KMXPI_STATUS_SUCCESS);
        return value;
    }
    void SetByte(const GUID& set, DWORD id, BYTE value) {
        EXPECT_EQ(KMXPI_PropertySet(handle_, &set, id, 1, &value), KMXPI_STATUS_SUCCESS);
    }
    LONG Amplifier(DWORD id) {
        KMXPI_PROCAMP_VALUE record{};
        EXPECT_EQ(
            KMXPI_PropertyGet(handle_, &KMXPI_PROPSET_VIDEOPROCAMP, id, sizeof record, &record),
            KMXPI_STATUS_SUCCESS);
        return record.value;
    }
    void SetAmplifier(DWORD id, LONG value) {
        KMXPI_PROCAMP_VALUE record{};
        KMXPI_PropertyGet(handle_, &KMXPI_PROPSET_VIDEOPROCAMP, id, sizeof record, &record);
        record.value = value;
        EXPECT_EQ(
            KMXPI_PropertySet(handle_, &KMXPI_PROPSET_VIDEOPROCAMP, id, sizeof record, &record),
            KMXPI_STATUS_SUCCESS);
    }

    std::unique_ptr<kmxcam::CameraService> service_;
    bool started_ = false;
    kmx::CameraConnection connection_;
    KMXPI_HANDLE handle_ = nullptr;
};

TEST_F(VideoSourceTest, CancelRightAfterOpeningRestoresOnlyTheStandardPage) {
    Plug("pantilt");
    RunSheet({[&](HWND) {
        // Changed behind the sheet's back: one property of each page.
        SetAmplifier(KMXPI_PROCAMP_BRIGHTNESS, 1200);
        SetByte(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_SPEED, 3);
        InjectTap(VK_ESCAPE);
    }});
    EXPECT_EQ(Amplifier(KMXPI_PROCAMP_BRIGHTNESS), 5000);
    // The Advanced page was never shown: it puts nothing back.
    EXPECT_EQ(Byte(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_SPEED), 3);
}

TEST_F(VideoSourceTest, CancelAfterVisitingThePagesRestoresWhatEachRead) {
    Plug("pantilt");
    RunSheet({[&](HWND sheet) {
                  HWND page = CurrentPage(sheet);
                  Click(GetDlgItem(page, IDC_STD_60HZ));
                  Click(GetDlgItem(page, IDC_STD_DISABLE_BANDING));
              },
              [&](HWND sheet) {
                  // Each click went to the camera at once.
                  EXPECT_EQ(Byte(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_BANDING_FREQUENCY), 0);
                  EXPECT_EQ(Byte(KMXPI_PROPSET_COMPRESSION, KMXPI_COMPRESSION_NO_BANDING_FILTER),
                            1);
                  // Greyed while the filter is off.
                  EXPECT_FALSE(Enabled(CurrentPage(sheet), IDC_STD_50HZ));
                  ClickTab(sheet, 1);
              },
              [&](HWND sheet) {
                  HWND page = CurrentPage(sheet);
                  Click(GetDlgItem(page, IDC_ADV_MONOCHROME));
                  Click(GetDlgItem(page, IDC_ADV_BACKLIT));
                  Click(GetDlgItem(page, IDC_ADV_DEFECT_CORRECTION2));
              },
              [&](HWND sheet) {
                  EXPECT_EQ(Byte(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_SPEED), 3);
                  // The two defect boxes are one choice: level 2 unchecks level 1.
                  EXPECT_EQ(Byte(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_DEFECT_2), 1);
                  EXPECT_FALSE(IsDlgButtonChecked(CurrentPage(sheet), IDC_ADV_DEFECT_CORRECTION1));
                  ClickTab(sheet, 2);
              },
              [&](HWND sheet) { Click(GetDlgItem(CurrentPage(sheet), IDC_ZOOM_FLIP)); },
              [&](HWND sheet) {
                  EXPECT_EQ(Byte(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_FLIP), 1);
                  ClickTab(sheet, 0);
              },
              [&](HWND sheet) {
                  // Shown again, the lower group keeps the title it took for
                  // Low Light Boost.
                  EXPECT_EQ(Text(GetDlgItem(CurrentPage(sheet), IDC_STD_COMPRESSION_GROUP)),
                            "Lighting Controls");
                  InjectTap(VK_ESCAPE);
              }});
    EXPECT_EQ(Byte(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_BANDING_FREQUENCY), 1);
    EXPECT_EQ(Byte(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_SPEED), 1);
    EXPECT_EQ(Byte(KMXPI_PROPSET_QUALITY, KMXPI_QUALITY_DEFECT_2), 0);
    EXPECT_EQ(Byte(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_FLIP), 0);
    // Neither page puts these back: they stay as last set.
    EXPECT_EQ(Byte(KMXPI_PROPSET_COMPRESSION, KMXPI_COMPRESSION_NO_BANDING_FILTER), 1);
    EXPECT_EQ(Byte(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_BACKLIGHT), 1);
}

TEST_F(VideoSourceTest, DefaultsResetTheCameraAndCancelStillReturnsToWhatWasBefore) {
    Plug("pantilt");
    SetAmplifier(KMXPI_PROCAMP_BRIGHTNESS, 3000);
    RunSheet({[&](HWND sheet) { Click(GetDlgItem(CurrentPage(sheet), IDC_STD_DEFAULTS)); },
              [&](HWND sheet) {
                  EXPECT_EQ(Amplifier(KMXPI_PROCAMP_BRIGHTNESS), 5000);
                  EXPECT_EQ(
                      SendDlgItemMessageA(CurrentPage(sheet), IDC_STD_BRIGHTNESS, TBM_GETPOS, 0, 0),
                      5000);
                  InjectTap(VK_ESCAPE);
              }});
    EXPECT_EQ(Amplifier(KMXPI_PROCAMP_BRIGHTNESS), 3000);
}

TEST_F(VideoSourceTest, TheSecondBandwidthFormKeepsItsChoiceThroughCancel) {
    Plug("compact");
    RunSheet(
        {[&](HWND sheet) { ClickTab(sheet, 1); },
         [&](HWND sheet) {
             SetFocus(GetDlgItem(CurrentPage(sheet), IDC_ADV_MAXIMUM_SECOND));
             InjectTap(VK_HOME);
         },
         [&](HWND sheet) {
             EXPECT_EQ(Byte(KMXPI_PROPSET_COMPRESSION, KMXPI_COMPRESSION_MAXIMUM_BANDWIDTH), 1);
             // What the camera allocates, read back: its value 2.
             EXPECT_EQ(Text(GetDlgItem(CurrentPage(sheet), IDC_ADV_ALLOCATED)), "59% Reserved");
             InjectTap(VK_ESCAPE);
         }});
    // Cancel writes the first read maximum to the first form's set, which
    // this camera has not got: the choice made on the page stays.
    EXPECT_EQ(Byte(KMXPI_PROPSET_COMPRESSION, KMXPI_COMPRESSION_MAXIMUM_BANDWIDTH), 1);
}

TEST_F(VideoSourceTest, UnpluggingTheCameraClosesTheSheetOnTheNextWrite) {
    Plug("pantilt");
    HWND closed = nullptr;
    RunSheet({[&](HWND sheet) {
        closed = sheet;
        ASSERT_TRUE(service_->Unplug("S"));
        Click(GetDlgItem(CurrentPage(sheet), IDC_STD_NEVER_FLICKER));
    }});
    // The script left nothing to do but the click: the sheet ended by itself.
    EXPECT_FALSE(IsWindow(closed));
}

TEST_F(VideoSourceTest, TextsMissingFromTheLanguageFileAreEmpty) {
    // One language with the Standard page's title only.
    const int kWidth = 16;
    std::vector<char> file(12 + 2 * 2 * kWidth);
    const int header[] = {1, 1, kWidth};
    memcpy(file.data(), header, sizeof header);
    strcpy(file.data() + 12 + 1 * kWidth, "Lingo");
    strcpy(file.data() + 12 + 2 * kWidth, "Standard");
    strcpy(file.data() + 12 + 3 * kWidth, "Norm");
    std::string path = kmxtest::TestDirectory() + "/few.cfg";
    std::ofstream(path, std::ios::binary).write(file.data(), file.size());
    ASSERT_EQ(kmx::LoadLanguageFile(path.c_str(), 0), 1);

    Plug("pantilt");
    RunSheet({[&](HWND sheet) {
        EXPECT_EQ(Text(sheet), "");
        EXPECT_EQ(TabText(PropSheet_GetTabControl(sheet), 0), "Norm");
        EXPECT_EQ(TabText(PropSheet_GetTabControl(sheet), 1), "");
        EXPECT_EQ(Text(GetDlgItem(CurrentPage(sheet), IDC_STD_DEFAULTS)), "");
        InjectTap(VK_ESCAPE);
    }});
}

TEST_F(VideoSourceTest, ACaptureClientOpensTheSheetOnItsExternalChannelOverItsWindow) {
    Plug("compact");
    VIDEO_OPEN_PARMS parameters{};
    parameters.dwSize = sizeof parameters;
    parameters.fccType = mmioFOURCC('v', 'c', 'a', 'p');
    parameters.dwFlags = VIDEO_EXTERNALIN;
    HDRVR channel = OpenDriver(u"kmxvfw32.dll", nullptr, reinterpret_cast<LPARAM>(&parameters));
    ASSERT_TRUE(channel) << parameters.dwError;
    HWND owner = CreateWindowExA(0, "STATIC", "Capture", WS_POPUP | WS_VISIBLE, 10, 10, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
    LRESULT answer = -1;
    SheetScript::Run(
        [&] {
            answer = SendDriverMessage(channel, DVM_DIALOG, reinterpret_cast<LPARAM>(owner), 0);
            return 0;
        },
        {[&](HWND sheet) {
            EXPECT_EQ(GetWindow(sheet, GW_OWNER), owner);
            EXPECT_EQ(Text(sheet), "Video Source");
            InjectTap(VK_ESCAPE);
        }});
    EXPECT_EQ(answer, DV_ERR_OK);
    DestroyWindow(owner);
    CloseDriver(channel, 0, 0);
}

// What a camera of each profile shows: which controls are hidden or greyed
// for the properties it lacks, and the pages' pictures.
struct ProfileCase {
    const char* profile;
    std::vector<int> standard_hidden, standard_greyed, advanced_hidden, advanced_greyed;
};

void PrintTo(const ProfileCase& camera, std::ostream* out) {
    *out << camera.profile;
}

class VideoSourcePicturesTest : public VideoSourceTest,
                                public testing::WithParamInterface<ProfileCase> {
  protected:
    // Compares PAGE's picture with the reference NAME (or writes it).
    static void ExpectPicture(HWND sheet, const std::string& name) {
        kmxtest::ExpectWindowPicture(sheet, KMX_VIDEO_SOURCE_REFERENCES, name);
    }
};

TEST_P(VideoSourcePicturesTest, PagesShowWhatTheCameraAnswers) {
    const ProfileCase& camera = GetParam();
    Plug(camera.profile);
    std::string name = camera.profile;
    auto expect = [](HWND page, const std::vector<int>& hidden, const std::vector<int>& greyed) {
        for (int id : hidden) EXPECT_FALSE(Shown(page, id)) << id;
        for (int id : greyed) {
            EXPECT_TRUE(Shown(page, id)) << id;
            EXPECT_FALSE(Enabled(page, id)) << id;
        }
    };
    RunSheet({[&](HWND sheet) {
                  expect(CurrentPage(sheet), camera.standard_hidden, camera.standard_greyed);
                  ExpectPicture(sheet, name + "-standard.png");
                  ClickTab(sheet, 1);
              },
              [&](HWND sheet) {
                  expect(CurrentPage(sheet), camera.advanced_hidden, camera.advanced_greyed);
                  ExpectPicture(sheet, name + "-advanced.png");
                  ClickTab(sheet, 2);
              },
              [&](HWND sheet) {
                  ExpectPicture(sheet, name + "-zoom.png");
                  InjectTap(VK_ESCAPE);
              }});
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, VideoSourcePicturesTest,
    testing::Values(
        // Low Light Boost alone in the lower group; every speed/light choice,
        // automatic.
        ProfileCase{"pantilt",
                    {IDC_STD_COMPRESSION, IDC_STD_FASTER_VIDEO, IDC_STD_BETTER_QUALITY},
                    {},
                    {IDC_ADV_MAXIMUM_SECOND},
                    {IDC_ADV_HIGH_SPEED, IDC_ADV_MEDIUM, IDC_ADV_LOW_LIGHT}},
        // No brightness, no banding frequency, Disable Banding Filter alone;
        // the three-choice bandwidth.
        ProfileCase{"compact",
                    {IDC_STD_LOW_LIGHT_BOOST, IDC_STD_50HZ, IDC_STD_60HZ, IDC_STD_NEVER_FLICKER},
                    {IDC_STD_BRIGHTNESS, IDC_STD_BANDING_GROUP},
                    {IDC_ADV_LOW_LIGHT, IDC_ADV_AUTOMATIC, IDC_ADV_DEFECT_CORRECTION2,
                     IDC_ADV_BACKLIT, IDC_ADV_MAXIMUM, IDC_ADV_ERROR_CHECK},
                    {}},
        // Next to nothing: the USB group moves to the top, its allocation greyed.
        ProfileCase{"minimal",
                    {IDC_STD_COMPRESSION_GROUP, IDC_STD_LOW_LIGHT_BOOST, IDC_STD_BANDING_GROUP,
                     IDC_STD_NEVER_FLICKER, IDC_STD_DISABLE_BANDING},
                    {IDC_STD_CONTRAST, IDC_STD_COLOUR},
                    {IDC_ADV_SPEED_LIGHT_GROUP, IDC_ADV_SPEED_QUALITY_GROUP, IDC_ADV_BACKLIT,
                     IDC_ADV_ERROR_CHECK},
                    {IDC_ADV_ALLOCATED}}),
    [](const testing::TestParamInfo<ProfileCase>& info) { return info.param.profile; });

}  // namespace
