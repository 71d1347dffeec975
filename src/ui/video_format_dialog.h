// The Video Format dialog: for one capture channel, the camera, the image
// format and the image size, every entry checked against the camera's size
// ranges and grids, and whether an RGB size the camera lacks is made by
// scaling up or down. The camera information text is written to the camera
// when its box loses the focus, the scaling choice when OK is pressed; the
// rest is handed back to ShowVideoFormatDialog, which builds the channel's
// new client format from it.
#pragma once

#include <windows.h>

#include <kmx512u/kmxpi.h>
#include <kmxrecords/camera_commands.h>

#include <string>

#include "device/camera_connection.h"
#include "ui/dialog.h"

namespace kmx {

namespace ui {

class VideoFormatDialog : public Dialog {
  public:
    VideoFormatDialog();

    // Set before the dialog runs; the camera, format index and size are
    // read back after OK.
    DWORD camera_id = 0;
    BOOL camera_fixed = FALSE;  // the camera list is disabled
    DWORD identity1 = 0, identity2 = 0;
    const FormatDescriptor* descriptors = nullptr;  // not owned
    DWORD descriptor_count = 0;
    int format_index = 0;
    DWORD width = 0, height = 0;

  protected:
    void ApplyTexts() override;
    void OnShow() override;
    bool OnCommand(int id, int code) override;
    void OnOK() override;
    void OnCancel() override;

  private:
    // Members to controls, and back.
    void Load() const;
    void Save();

    void FillFormatListOnce();
    void FillSizeList() const;
    void FormatChosen();
    void SizeChosen();
    void SizeTyped(bool width);
    void UpdateScaleControls();
    void CameraChosen();
    void CameraTextEdited();
    void CloseCamera();
    const FormatDescriptor& Descriptor() const { return descriptors[format_index]; }

    KMXPI_HANDLE handle_ = nullptr;
    std::string width_text_, height_text_, camera_text_;
    BOOL full_field_ = FALSE;
    int direction_ = -1;  // 0 Scale Up, 1 Scale Down, -1 none
    bool ended_ = false;  // OK or Cancel has closed the camera
};

// The name the format list shows for FORMAT: "RGB  - 24", "KMXX -  8",
// "MJPG".
std::string FormatName(const FormatRecord& format);

}  // namespace ui

// Shows the Video Format dialog for the camera on CONNECTION, starting from
// the client format FORMAT and the camera CONNECTION_ID; PRESELECTED keeps
// the camera list disabled, IDENTITY1/IDENTITY2 choose the cameras it
// lists. 1 when the user pressed OK and the chosen camera opens, with FORMAT
// and CONNECTION_ID the choice; else 0 with both as they were.
int ShowVideoFormatDialog(HWND parent, CameraConnection& connection, FormatRecord& format,
                          DWORD& connection_id, BOOL preselected, DWORD identity1, DWORD identity2);

}  // namespace kmx
