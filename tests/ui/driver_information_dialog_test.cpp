// The Driver Information dialog on a simulated camera, driven from inside
// its modal loop: the values it shows, the language switched at once and
// put back by Cancel (the registry keeping the new one), the language list
// hidden without a choice, and the camera text written on leaving its box.
#include <windows.h>

#include <kmxrecords/settings_keys.h>

#include "api/api_test_support.h"
#include "picture_compare.h"
#include "settings_dialog_script.h"
#include "support/registry_key.h"
#include "ui/driver_information_dialog.h"
#include "ui/language_table.h"
#include "ui/settings_dialog_resources.h"

#include <functional>
#include <string>
#include <utility>

namespace {

using kmxtest::Caption;
using kmxtest::Choose;
using kmxtest::Items;
using kmxtest::Selected;
using kmxtest::Text;
using kmxtest::Type;

class DriverInformationDialog : public kmxapitest::ApiTest {
  protected:
    void SetUp() override {
        ApiTest::SetUp();
        camera_id_ = Plug("pantilt", "P1");
    }
    void TearDown() override {
        kmx::FreeLanguageFile();
        ApiTest::TearDown();
    }
    void Run(std::function<void(HWND)> script) {
        kmxtest::RunWithScript(std::move(script), [] { kmx::ShowDriverInformationDialog(0, 0); });
    }

    DWORD camera_id_ = 0;
};

TEST_F(DriverInformationDialog, ShowsTheCameraAndSwitchesTheLanguageAtOnceUntilCancel) {
    ASSERT_GE(kmx::LoadLanguageFile(KMX_LANGUAGE_FILE, 0), 1);
    Run([this](HWND dialog) {
        EXPECT_EQ(Caption(dialog), "Driver Information");
        EXPECT_EQ(Text(dialog, IDC_DI_VERSION), "2-21");
        EXPECT_EQ(Selected(dialog, IDC_DI_CAMERA_LIST), "USB" + std::to_string(camera_id_));
        EXPECT_EQ(Text(dialog, IDC_DI_FIRMWARE), "2-03");
        EXPECT_EQ(Text(dialog, IDC_DI_SENSOR), "1105 (2)");
        EXPECT_EQ(Text(dialog, IDC_DI_CAMERA_TEXT), "Pan/tilt camera");
        EXPECT_EQ(Items(dialog, IDC_DI_LANGUAGE_LIST).size(), 5u);
        Choose(dialog, IDC_DI_LANGUAGE_LIST, "Deutsch");
        EXPECT_EQ(Caption(dialog), "Treiberinformationen");
        EXPECT_EQ(Selected(dialog, IDC_DI_LANGUAGE_LIST), "Deutsch");
        // 32 characters typed, 31 stored, and the box shows what is stored.
        Type(dialog, IDC_DI_CAMERA_TEXT, "0123456789abcdefghijklmnopqrstuv");
        EXPECT_EQ(Text(dialog, IDC_DI_CAMERA_TEXT), "0123456789abcdefghijklmnopqrstu");
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(kmx::GetLanguage(), 0);
    kmx::RegistryKey user(HKEY_CURRENT_USER, kmx::kSettingsKeyPath, false, true);
    char name[32] = {};
    ASSERT_TRUE(user.QueryString("LanguageName", name, sizeof name));
    EXPECT_STREQ(name, "Deutsch");
}

TEST_F(DriverInformationDialog, WithoutALanguageChoiceOrACameraItShowsWhatItCan) {
    Unplug("P1");
    Run([](HWND dialog) {
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_DI_LANGUAGE_LIST)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_DI_LANGUAGE_LABEL)));
        EXPECT_TRUE(Items(dialog, IDC_DI_CAMERA_LIST).empty());
        for (int box : {IDC_DI_CAMERA_TEXT, IDC_DI_FIRMWARE, IDC_DI_SENSOR})
            EXPECT_EQ(Text(dialog, box), "---");
        Type(dialog, IDC_DI_CAMERA_TEXT, "new text");
        EXPECT_EQ(Text(dialog, IDC_DI_CAMERA_TEXT), "---");
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
}

// Its pictures in English and in German, against the references in
// settings_dialog_pictures/.
TEST_F(DriverInformationDialog, LooksAsItsReferencesInTwoLanguages) {
    for (auto [language, name] : {std::pair{0, "english"}, std::pair{1, "deutsch"}}) {
        ASSERT_GE(kmx::LoadLanguageFile(KMX_LANGUAGE_FILE, language), 1);
        Run([name = name](HWND dialog) {
            kmxtest::ExpectWindowPicture(dialog, KMX_SETTINGS_DIALOG_REFERENCES,
                                         std::string("driver-information-") + name + ".png");
            SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        kmx::FreeLanguageFile();
    }
}

}  // namespace
