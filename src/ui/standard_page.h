// The Standard page of the Video Source sheet: brightness, contrast and
// colour, the mains-frequency banding filter, compression or low light
// boost, and the Defaults button. Each control writes its camera property
// at once; Cancel writes back what the page read at its first showing.
#pragma once

#include "ui/camera_page.h"

namespace kmx::ui {

class StandardPage : public CameraPage {
  public:
    StandardPage();

  protected:
    void ApplyTexts() override;
    void OnShow() override;
    bool OnCommand(int id, int code) override;
    void OnHScroll(HWND control, int code) override;
    void OnCancel() override;

  private:
    // A byte property and the value the page read from it.
    struct ByteSetting {
        const GUID& set;
        DWORD id;
        BYTE value = 0;
        bool read = false;
    };
    // A slider's video processing amplifier record, as read at first showing.
    struct AmplifierSetting {
        DWORD id;
        int slider;
        int label;
        KMXPI_PROCAMP_VALUE record{};
        bool read = false;
    };

    void ReadCamera();
    // A check box's state to SETTING's property.
    void WriteCheck(const ByteSetting& setting, bool checked) const {
        Written(Write(setting.set, setting.id, static_cast<BYTE>(checked)));
    }
    void ArrangeBandingFilter();
    void OnDefaults();
    // The radio and check box values into the controls.
    void PutValues();
    // Greys or enables 50 Hz, 60 Hz and Never Flicker as the banding filter is on or off.
    void EnableBandingChoices(bool filter_off);

    bool initialised_ = false;
    // The restore set.
    AmplifierSetting brightness_;
    AmplifierSetting contrast_;
    AmplifierSetting saturation_;
    ByteSetting banding_frequency_;
    ByteSetting never_flicker_;
    ByteSetting filter_off_;
    ByteSetting low_light_;
    ByteSetting compression_;
    // The group below holds the compression slider or, on cameras with low
    // light boost, that box under another title.
    const char* lower_group_key_ = "CompressionControl";

    // Radio group value: 0 = 50 Hz, 1 = 60 Hz, -1 = none.
    int frequency_choice_ = -1;
    bool never_flicker_checked_ = false;
    bool filter_off_checked_ = false;
    bool low_light_checked_ = false;
};

}  // namespace kmx::ui
