// The Zoom page of the Video Source sheet: picture orientation (vertical
// flip, horizontal mirror), the digital zoom, and which part of the sensor's
// full field the camera delivers, moved with the pan/tilt window control.
// Every change goes to the camera at once; Cancel writes back what the page
// read when it was first shown.
#pragma once

#include <windows.h>

#include "ui/pan_tilt_window.h"
#include "ui/camera_page.h"

namespace kmx::ui {

class ZoomPage : public CameraPage {
  public:
    // RGB24: the capture format is uncompressed 24-bit RGB, so that the
    // frame pipeline can flip and mirror when the camera cannot.
    explicit ZoomPage(bool rgb24);

  protected:
    void ApplyTexts() override;
    void OnShow() override;
    void OnHide() override;
    bool OnCommand(int id, int code) override;
    void OnHScroll(HWND control, int code) override;
    void OnTimer(UINT_PTR timer) override;
    void OnCancel() override;

  private:
    // Reads the camera's setting CAMERA_ID, else the frame pipeline's
    // PIPELINE_ID, into VALUE (0 when neither answers) and sets CHECKBOX's
    // state: hidden when neither answers, greyed when only the pipeline does
    // and the capture format does not let it work. Whether it is shown.
    bool ReadOrientation(int checkbox, DWORD camera_id, DWORD pipeline_id, BYTE& value);
    void WriteOrientation(int checkbox, DWORD camera_id, DWORD pipeline_id);
    void ShowPanTiltZoom(bool shown);

    // A property of the sheet's camera; the status.
    const bool rgb24_;
    bool initialised_ = false;
    PanTiltWindow pan_tilt_;

    // What Cancel writes back: the values of the first showing.
    struct RestoreSet {
        BYTE flip = 0;
        BYTE mirror = 0;
        PanTiltPosition position{};
        BYTE zoom = 0;
        bool position_read = false;
        bool zoom_read = false;
    } restore_;
};

}  // namespace kmx::ui
