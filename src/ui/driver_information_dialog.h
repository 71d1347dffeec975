// The Driver Information dialog: the driver's version, the language of
// every settings window (switched at once, in memory and in "LanguageName";
// Cancel puts the in-memory language back), and for a chosen camera of the
// driver's kind its firmware version, sensor type and its information
// text, which is written to the camera when its box loses the focus. The
// dialog holds no camera handle between events.
#pragma once

#include <windows.h>

#include <string>

#include "ui/dialog.h"

namespace kmx {

namespace ui {

class DriverInformationDialog : public Dialog {
  public:
    DriverInformationDialog();

    // The driver's camera identity; both 0 lists every camera.
    DWORD identity1 = 0, identity2 = 0;

  protected:
    void ApplyTexts() override;
    void OnShow() override;
    bool OnCommand(int id, int code) override;
    void OnCancel() override;

  private:
    void Load() const;
    void Save();
    void FillCameraList() const;
    void ShowCameraInformation();
    void LanguageChosen();
    void CameraTextEdited();
    // The connection id of the selected camera, 0 for none.
    DWORD SelectedCamera() const;

    int language_at_show_ = 0;
    std::string version_text_, camera_text_, firmware_text_, sensor_text_;
};

// The texts the dialog shows for the firmware version and sensor type
// property values (their two bytes, low first).
std::string FirmwareText(BYTE low, BYTE high);
std::string SensorText(BYTE low, BYTE high);

}  // namespace ui

// Shows the dialog for the cameras of IDENTITY1/IDENTITY2, without a parent
// window, until the user closes it.
void ShowDriverInformationDialog(DWORD identity1, DWORD identity2);

}  // namespace kmx
