// The Advanced page of the Video Source sheet: frame rate against light
// sensitivity, speed against picture quality with defect correction, and
// the USB bandwidth the camera may reserve. The page reads the camera at
// every showing and follows the camera's automatic speed/light choice once
// a second; Cancel writes back what it read at its first showing.
#pragma once

#include "ui/camera_page.h"

#include <span>

namespace kmx::ui {

class AdvancedPage : public CameraPage {
  public:
    AdvancedPage();

  protected:
    void ApplyTexts() override;
    void OnShow() override;
    void OnHide() override;
    bool OnCommand(int id, int code) override;
    void OnTimer(UINT_PTR timer) override;
    void OnOK() override;
    void OnCancel() override;

  private:
    // One form of the bandwidth setting: the list that chooses the maximum
    // and the property that tells what is allocated.
    struct BandwidthForm {
        const GUID& set;
        DWORD maximum_id;
        DWORD allocated_id;
        int list;
        BYTE first_value;  // the value of the list's first position
        std::span<const char* const> maximum_keys;
        std::span<const char* const> allocated_keys;
    };

    // The first form, else the second on cameras without it.
    static const BandwidthForm kBandwidthForms[2];

    bool ReadSpeedQuality();
    bool ReadDefectCorrection();
    void ReadErrorChecking();
    bool ReadSpeedLight();
    bool ReadBacklit();
    // Shows FORM's maximum and allocation; false when the camera has not got it.
    bool ReadBandwidth(const BandwidthForm& form);
    // The allocation's text; the status of its read (on failure the text
    // and its label are greyed).
    DWORD ShowAllocated(const BandwidthForm& form);
    void ChooseBandwidth(const BandwidthForm& form);
    void Arrange(bool top_content);
    void ChooseSpeedLight(BYTE mode);
    void PutValues();
    // The radio and check box values from the controls.
    void TakeValues();
    void RestartTimer();

    bool initialised_ = false;
    bool lists_filled_ = false;
    // Radio values: speed/quality 0 = Monochrome, 1 = Fast Colour, 2 = High
    // Quality Colour; speed/light 0 = High Speed, 1 = Medium, 2 = Low
    // Light; -1 = none.
    int speed_quality_choice_ = -1;
    int speed_light_choice_ = -1;
    bool defect1_checked_ = false;
    bool defect2_checked_ = false;
    bool error_check_checked_ = false;
    bool backlit_checked_ = false;
    bool automatic_checked_ = false;

    // What this showing read; the first showing's values are the restore set.
    struct Values {
        BYTE speed_quality = 2;
        BYTE maximum_bandwidth = 0;
        BYTE speed_light = 0;
        BYTE defect1 = 0;
        BYTE defect2 = 0;
        BYTE error_checking_off = 0;
    };
    Values read_;
    Values restore_;
};

}  // namespace kmx::ui
