#include "ui/zoom_page.h"

#include <commctrl.h>

#include "ui/video_source_resources.h"

#include <cstddef>

namespace kmx::ui {
namespace {

// The camera's pan/tilt geometry as it answers it, in full-field pixels.
struct PanTiltGeometry {
    DWORD full_width;
    DWORD full_height;
    DWORD window_width;
    DWORD window_height;
};
static_assert(sizeof(PanTiltGeometry) == 16);
static_assert(offsetof(PanTiltGeometry, window_height) == 12);
// The window position goes to the camera as it is: x, then y.
static_assert(sizeof(PanTiltPosition) == 8);
static_assert(offsetof(PanTiltPosition, y) == 4);

// Sends a moved window to the camera; often enough to follow a drag,
// rarely enough not to flood the camera with every mouse move.
constexpr UINT_PTR kPositionTimer = 1;
constexpr UINT kPositionPeriodMs = 100;

constexpr LocalisedText kTexts[] = {
    {IDC_ZOOM_ORIENTATION_GROUP, "Orientation"},
    {IDC_ZOOM_FLIP, "Flip"},
    {IDC_ZOOM_MIRROR, "Mirror"},
    {IDC_ZOOM_PAN_TILT_ZOOM_GROUP, "PanTiltZoom"},
    {IDC_ZOOM_LABEL, "ZoomCtl"},
};

}  // namespace

ZoomPage::ZoomPage(bool rgb24) : CameraPage(IDD_ZOOM_PAGE, "Zoom"), rgb24_(rgb24) {}

void ZoomPage::ApplyTexts() {
    SetItemTexts(kTexts);
}

void ZoomPage::OnShow() {
    BYTE flip = 0;
    BYTE mirror = 0;
    bool flip_shown = ReadOrientation(IDC_ZOOM_FLIP, KMXPI_CAMERA_FLIP, KMXPI_IMAGE_FLIP, flip);
    bool mirror_shown =
        ReadOrientation(IDC_ZOOM_MIRROR, KMXPI_CAMERA_MIRROR, KMXPI_IMAGE_MIRROR, mirror);
    ShowItem(IDC_ZOOM_ORIENTATION_GROUP, flip_shown || mirror_shown);

    PanTiltGeometry geometry{};
    PanTiltPosition position{};
    bool pan_tilt =
        Read(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_PAN_TILT_LIMITS, geometry) ==
            KMXPI_STATUS_SUCCESS &&
        Read(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_PAN_TILT, position) == KMXPI_STATUS_SUCCESS;
    ShowPanTiltZoom(pan_tilt);
    BYTE highest_zoom = 0;
    BYTE zoom = 0;
    bool zoom_read = false;
    if (pan_tilt) {
        zoom_read = Read(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_ZOOM_MAXIMUM, highest_zoom) ==
                        KMXPI_STATUS_SUCCESS &&
                    Read(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_ZOOM, zoom) == KMXPI_STATUS_SUCCESS;
        bool zooms = zoom_read && highest_zoom != 0;
        if (!zooms) highest_zoom = zoom = 0;
        EnableItem(IDC_ZOOM_TRACKBAR, zooms);
        EnableItem(IDC_ZOOM_LABEL, zooms);
    }

    Check(IDC_ZOOM_FLIP, flip != 0);
    Check(IDC_ZOOM_MIRROR, mirror != 0);
    HWND trackbar = Item(IDC_ZOOM_TRACKBAR);
    SendMessageA(trackbar, TBM_SETRANGE, FALSE, MAKELPARAM(0, highest_zoom));
    SendMessageA(trackbar, TBM_SETLINESIZE, 0, 1);
    SendMessageA(trackbar, TBM_SETPAGESIZE, 0, 1);
    SendMessageA(trackbar, TBM_SETPOS, TRUE, zoom);

    if (!initialised_) {
        restore_.flip = flip;
        restore_.mirror = mirror;
        restore_.position = position;
        restore_.position_read = pan_tilt;
        restore_.zoom = zoom;
        restore_.zoom_read = zoom_read;
        initialised_ = true;
    }

    if (IsWindowEnabled(Item(IDC_ZOOM_PAN_TILT_FRAME))) {
        pan_tilt_.Create(Handle(), ItemRect(IDC_ZOOM_PAN_TILT_FRAME), IDC_ZOOM_PAN_TILT_WINDOW);
        pan_tilt_.SetFullField(geometry.full_width, geometry.full_height, geometry.window_width,
                               geometry.window_height);
        // A position the camera answers outside its own field leaves the
        // window centred, and the first tick sends that.
        pan_tilt_.SetWindowPosition(position.x, position.y);
        SetTimer(Handle(), kPositionTimer, kPositionPeriodMs, nullptr);
    }
}

void ZoomPage::OnHide() {
    // Also when a failed read after a zoom change greyed the frame: the
    // control and its timer must not outlive the showing.
    pan_tilt_.Destroy();
    KillTimer(Handle(), kPositionTimer);
}

bool ZoomPage::ReadOrientation(int checkbox, DWORD camera_id, DWORD pipeline_id, BYTE& value) {
    bool shown = true;
    bool enabled = true;
    if (Read(KMXPI_PROPSET_CAMERA, camera_id, value) != KMXPI_STATUS_SUCCESS) {
        if (Read(KMXPI_PROPSET_IMAGE, pipeline_id, value) != KMXPI_STATUS_SUCCESS) {
            shown = false;
        } else {
            // The pipeline turns only 24-bit RGB frames.
            enabled = rgb24_;
        }
    }
    if (!shown) value = 0;
    ShowItem(checkbox, shown);
    EnableItem(checkbox, enabled);
    return shown;
}

void ZoomPage::ShowPanTiltZoom(bool shown) {
    // The frame is never visible; its enabled state says whether the
    // pan/tilt window control stands in its place.
    EnableItem(IDC_ZOOM_PAN_TILT_FRAME, shown);
    EnableItem(IDC_ZOOM_PAN_TILT_ZOOM_GROUP, shown);
    for (int id : {IDC_ZOOM_PAN_TILT_ZOOM_GROUP, IDC_ZOOM_LABEL, IDC_ZOOM_TRACKBAR})
        ShowItem(id, shown);
}

bool ZoomPage::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_ZOOM_FLIP:
            WriteOrientation(id, KMXPI_CAMERA_FLIP, KMXPI_IMAGE_FLIP);
            return true;
        case IDC_ZOOM_MIRROR:
            WriteOrientation(id, KMXPI_CAMERA_MIRROR, KMXPI_IMAGE_MIRROR);
            return true;
        default:
            return false;
    }
}

void ZoomPage::WriteOrientation(int checkbox, DWORD camera_id, DWORD pipeline_id) {
    BYTE value = IsChecked(checkbox) ? 1 : 0;
    // Both places: the one that does not exist refuses harmlessly.
    Written(Write(KMXPI_PROPSET_CAMERA, camera_id, value));
    Written(Write(KMXPI_PROPSET_IMAGE, pipeline_id, value));
}

void ZoomPage::OnHScroll(HWND control, int /*code*/) {
    if (control != Item(IDC_ZOOM_TRACKBAR)) return;
    BYTE step = static_cast<BYTE>(SendMessageA(control, TBM_GETPOS, 0, 0));
    if (Written(Write(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_ZOOM, step)) ==
        KMXPI_STATUS_CAMERA_REMOVED)
        return;
    // A zoom step changes the window's size and may move it.
    PanTiltGeometry geometry{};
    PanTiltPosition position{};
    if (Read(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_PAN_TILT_LIMITS, geometry) !=
            KMXPI_STATUS_SUCCESS ||
        Read(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_PAN_TILT, position) != KMXPI_STATUS_SUCCESS) {
        EnableItem(IDC_ZOOM_PAN_TILT_FRAME, false);
        EnableItem(IDC_ZOOM_PAN_TILT_ZOOM_GROUP, false);
        return;
    }
    pan_tilt_.SetFullField(geometry.full_width, geometry.full_height, geometry.window_width,
                           geometry.window_height);
    pan_tilt_.SetWindowPosition(position.x, position.y);
}

void ZoomPage::OnTimer(UINT_PTR timer) {
    if (timer != kPositionTimer || !pan_tilt_.TakeChanged()) return;
    Written(Write(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_PAN_TILT, pan_tilt_.GetWindowPosition()));
}

void ZoomPage::OnCancel() {
    if (!initialised_) return;
    // A tick after the write-back would send the dragged position again.
    KillTimer(Handle(), kPositionTimer);
    Write(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_FLIP, restore_.flip);
    Write(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_MIRROR, restore_.mirror);
    Write(KMXPI_PROPSET_IMAGE, KMXPI_IMAGE_FLIP, restore_.flip);
    Write(KMXPI_PROPSET_IMAGE, KMXPI_IMAGE_MIRROR, restore_.mirror);
    if (restore_.position_read)
        Write(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_PAN_TILT, restore_.position);
    if (restore_.zoom_read) Write(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_ZOOM, restore_.zoom);
}

}  // namespace kmx::ui
