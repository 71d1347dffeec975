// The Video Format dialog on a simulated camera, driven as a user drives it
// from inside its own modal loop: the format list asking the compression
// manager, sizes typed and chosen against the camera's grid, the camera
// list and text, and the format ShowVideoFormatDialog builds on OK.
#include <windows.h>

#include <kmx512u/kmxmjpg.h>
#include <kmxwin/driver_registry.h>

#include "capture/video_sizes.h"
#include "device/camera_connection.h"
#include "api/api_test_support.h"
#include "picture_compare.h"
#include "settings_dialog_script.h"
#include "ui/language_table.h"
#include "ui/settings_dialog_resources.h"
#include "ui/video_format_dialog.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using kmx::FormatRecord;
using Strings = std::vector<std::string>;

using kmxtest::Choose;
using kmxtest::Items;
using kmxtest::Notify;
using kmxtest::Selected;
using kmxtest::Text;
using kmxtest::Type;

class VideoFormatDialog : public kmxapitest::ApiTest {
  protected:
    void SetUp() override {
        ApiTest::SetUp();
        camera_id_ = Plug("pantilt", "P1");
        ASSERT_EQ(kmx::ConnectionOpen(connection_, camera_id_, false), kmx::kCommandSuccess);
    }
    void TearDown() override {
        kmx::ConnectionClose(connection_);
        ApiTest::TearDown();
    }

    static void InstallMjpgCodec() {
        std::string path = std::string(KMXWIN_DRIVERS_KEY) + "\\" + KMXWIN_DRIVERS32_SECTION;
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, KMXMJPG_CODEC_ALIAS, 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(KMXMJPG_CODEC_MODULE),
                       sizeof KMXMJPG_CODEC_MODULE);
        RegCloseKey(key);
    }

    // Shows the dialog for FORMAT on the camera and runs SCRIPT in it, which
    // ends it; ShowVideoFormatDialog's result.
    int Run(FormatRecord& format, DWORD& camera, BOOL preselected,
            std::function<void(HWND)> script) {
        int result = 0;
        kmxtest::RunWithScript(std::move(script), [&] {
            result =
                kmx::ShowVideoFormatDialog(nullptr, connection_, format, camera, preselected, 0, 0);
        });
        return result;
    }

    static FormatRecord Format(WORD width, WORD height, DWORD compression, BYTE bits) {
        FormatRecord format{width, height, bits, {}, compression, 0, 33};
        format.image_size = kmx::ImageSizeOf(format);
        return format;
    }

    kmx::CameraConnection connection_;
    DWORD camera_id_ = 0;
};

TEST_F(VideoFormatDialog, ListsTheFormatsACodecHandlesAndOKBuildsTheClientFormat) {
    InstallMjpgCodec();
    FormatRecord format = Format(320, 240, kmx::kFourccMjpg, 24);
    DWORD camera = camera_id_;
    int result = Run(format, camera, FALSE, [](HWND dialog) {
        // One entry until the list is first opened.
        EXPECT_EQ(Items(dialog, IDC_VF_FORMAT_LIST), Strings{"MJPG"});
        Notify(dialog, IDC_VF_FORMAT_LIST, CBN_DROPDOWN);
        // The camera's packed 4:2:2 and "KMXX" formats have no codec here.
        EXPECT_EQ(Items(dialog, IDC_VF_FORMAT_LIST), (Strings{"RGB  - 24", "RGB  - 16", "MJPG"}));
        EXPECT_EQ(Selected(dialog, IDC_VF_FORMAT_LIST), "MJPG");
        EXPECT_EQ(Selected(dialog, IDC_VF_SIZE_LIST), "QVGA (SIF)");
        // Scaling is for 24-bit RGB only.
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_VF_FULL_FIELD)));
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(camera, camera_id_);
    EXPECT_EQ(format.compression, kmx::kFourccMjpg);
    EXPECT_EQ(format.width, 320);
    EXPECT_EQ(format.image_size, 2u * 320 * 240 + 608);
}

TEST_F(VideoFormatDialog, TypedSizesMustLieOnTheGridAndNamedSizesSetBoth) {
    FormatRecord format = Format(320, 240, 0, 24);
    DWORD camera = camera_id_;
    int result = Run(format, camera, FALSE, [](HWND dialog) {
        EXPECT_EQ(Items(dialog, IDC_VF_SIZE_LIST),
                  (Strings{"VGA", "CIF", "QVGA (SIF)", "QCIF", "QSIF"}));
        // On the grid of 8 from 160: accepted as typed, leading zero and all.
        Type(dialog, IDC_VF_WIDTH, "0328");
        EXPECT_EQ(Text(dialog, IDC_VF_WIDTH), "0328");
        EXPECT_EQ(Selected(dialog, IDC_VF_SIZE_LIST), "(none)");
        for (const char* refused : {"32a", "330", "100", "4294967624"}) {
            Type(dialog, IDC_VF_WIDTH, refused);
            EXPECT_EQ(Text(dialog, IDC_VF_WIDTH), "328") << refused;
        }
        Choose(dialog, IDC_VF_SIZE_LIST, "CIF");
        EXPECT_EQ(Text(dialog, IDC_VF_WIDTH), "352");
        EXPECT_EQ(Text(dialog, IDC_VF_HEIGHT), "288");
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(format.width, 352);
    EXPECT_EQ(format.height, 288);
    EXPECT_EQ(format.image_size, 352u * 288 * 3);
}

TEST_F(VideoFormatDialog, ScalingIsOfferedBetweenNativeSizesAndItsChoiceWrittenOnOK) {
    FormatRecord format = Format(320, 240, 0, 24);
    DWORD camera = camera_id_;
    auto enabled = [](HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)); };
    Run(format, camera, FALSE, [&](HWND dialog) {
        // A native size needs no scaling.
        EXPECT_FALSE(enabled(dialog, IDC_VF_FULL_FIELD));
        // Between native sizes, with the camera's choice (scale up) set:
        // both ways are open.
        Type(dialog, IDC_VF_WIDTH, "328");
        EXPECT_TRUE(enabled(dialog, IDC_VF_FULL_FIELD));
        EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_VF_FULL_FIELD));
        EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_VF_SCALE_UP));
        EXPECT_TRUE(enabled(dialog, IDC_VF_SCALE_UP));
        EXPECT_TRUE(enabled(dialog, IDC_VF_SCALE_DOWN));
        SendMessageA(GetDlgItem(dialog, IDC_VF_SCALE_DOWN), BM_CLICK, 0, 0);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    KMXPI_HANDLE handle = Open(camera_id_);
    BYTE selection = 0;
    ASSERT_EQ(KMXPI_PropertyGet(handle, &KMXPI_PROPSET_IMAGE, KMXPI_IMAGE_SIZE_SELECTION,
                                sizeof selection, &selection),
              KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(selection, 2);
    KMXPI_HandleClose(&handle);
}

TEST_F(VideoFormatDialog, APreselectedCameraCannotBeChangedAndCancelKeepsTheFormat) {
    const FormatRecord before = Format(640, 480, 0, 24);
    FormatRecord format = before;
    DWORD camera = camera_id_;
    int result = Run(format, camera, TRUE, [this](HWND dialog) {
        EXPECT_EQ(Items(dialog, IDC_VF_CAMERA_LIST), Strings{"USB" + std::to_string(camera_id_)});
        EXPECT_EQ(Selected(dialog, IDC_VF_CAMERA_LIST), "USB" + std::to_string(camera_id_));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_VF_CAMERA_LIST)));
        Type(dialog, IDC_VF_WIDTH, "160");
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(format.width, before.width);
    EXPECT_EQ(format.image_size, before.image_size);
}

TEST_F(VideoFormatDialog, TheCameraTextIsWrittenWhenItsBoxLosesTheFocusCutTo31Characters) {
    FormatRecord format = Format(640, 480, 0, 24);
    DWORD camera = camera_id_;
    Run(format, camera, FALSE, [](HWND dialog) {
        Type(dialog, IDC_VF_CAMERA_TEXT, "0123456789abcdefghijklmnopqrstuvwxyz");
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    KMXPI_HANDLE handle = Open(camera_id_);
    char text[32] = {};
    ASSERT_EQ(KMXPI_PropertyGet(handle, &KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_INFORMATION_TEXT,
                                sizeof text, text),
              KMXPI_STATUS_SUCCESS);
    EXPECT_STREQ(text, "0123456789abcdefghijklmnopqrstu");
    KMXPI_HandleClose(&handle);
}

TEST_F(VideoFormatDialog, NoDialogWithoutTheFormatListAndNoChoiceOfACameraThatIsGone) {
    FormatRecord format = Format(640, 480, 0, 24);
    DWORD camera = camera_id_;
    ArmStatus("P1", kmx::kGetModeDescriptorCode, 1);
    bool shown = false;
    EXPECT_EQ(Run(format, camera, FALSE, [&](HWND) { shown = true; }), 0);
    EXPECT_FALSE(shown);

    // OK on a camera that is gone by then: the old format and camera stay.
    EXPECT_EQ(Run(format, camera, FALSE,
                  [this](HWND dialog) {
                      Choose(dialog, IDC_VF_SIZE_LIST, "QVGA (SIF)");
                      Unplug("P1");
                      SendMessageA(dialog, WM_COMMAND, IDOK, 0);
                  }),
              0);
    EXPECT_EQ(format.width, 640);
    EXPECT_EQ(camera, camera_id_);
}

// Its pictures in English and in German, against the references in
// settings_dialog_pictures/.
TEST_F(VideoFormatDialog, LooksAsItsReferencesInTwoLanguages) {
    InstallMjpgCodec();
    for (auto [language, name] : {std::pair{0, "english"}, std::pair{1, "deutsch"}}) {
        ASSERT_GE(kmx::LoadLanguageFile(KMX_LANGUAGE_FILE, language), 1);
        FormatRecord format = Format(320, 240, 0, 24);
        DWORD camera = camera_id_;
        Run(format, camera, FALSE, [name = name](HWND dialog) {
            kmxtest::ExpectWindowPicture(dialog, KMX_SETTINGS_DIALOG_REFERENCES,
                                         std::string("video-format-") + name + ".png");
            SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        kmx::FreeLanguageFile();
    }
}

}  // namespace
