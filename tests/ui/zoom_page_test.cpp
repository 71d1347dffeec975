// The Zoom page in a sheet of its own, driven with injected input against
// simulated cameras: the pan/tilt window's position reaching the camera,
// Cancel writing back what the page first read, and flip and mirror left to
// the frame pipeline only when it can do them.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <kmx512u/kmxpi.h>

#include "camera_service.h"
#include "capture/module_lifecycle.h"
#include "common/listed_camera.h"
#include "control_host.h"
#include "sheet_script.h"
#include "ui/property_sheet.h"
#include "ui/video_source_resources.h"
#include "ui/zoom_page.h"

#include <memory>

namespace {

using kmxtest::Click;
using kmxtest::MouseAt;
using kmxtest::Pump;
using kmxtest::PumpUntil;
using kmxtest::Tap;

struct Position {
    DWORD x, y;
    bool operator==(const Position&) const = default;
};

void PrintTo(const Position& position, std::ostream* out) {
    *out << "(" << position.x << ", " << position.y << ")";
}

// Drags the pan/tilt window, grabbed where the cursor is, by (DX, DY).
void DragBy(HWND control, int dx, int dy) {
    POINT grab;
    GetCursorPos(&grab);
    ScreenToClient(control, &grab);
    MouseAt(control, grab, MOUSEEVENTF_LEFTDOWN);
    MouseAt(control, {grab.x + dx, grab.y + dy});
    MouseAt(control, {grab.x + dx, grab.y + dy}, MOUSEEVENTF_LEFTUP);
}

class ZoomPageTest : public testing::Test {
  protected:
    void SetUp() override {
        service_ = kmxtest::EmbeddedCameraService();
        ASSERT_TRUE(service_);
        ASSERT_TRUE(kmx::DriverAppStart());
        started_ = true;
    }

    void TearDown() override {
        KMXPI_HandleClose(&camera_);
        if (started_) kmx::DriverAppExit();
        service_.reset();
    }

    void Open(const char* profile) {
        DWORD id = kmxtest::PlugListedCamera(*service_, profile, kSerial);
        ASSERT_EQ(KMXPI_HandleOpen(id, &camera_), KMXPI_STATUS_SUCCESS);
    }

    // Shows the Zoom page alone in a sheet and runs SCRIPT on it.
    void Show(bool rgb24, const std::function<void(HWND sheet, HWND page)>& script) {
        kmx::ui::ZoomPage page(rgb24);
        page.SetCameraHandle(&camera_);
        kmx::ui::PropertyPage* pages[] = {&page};
        kmxtest::RunSheetScript(
            [&] { return kmx::ui::RunPropertySheet(nullptr, "", pages, PSH_NOAPPLYNOW); },
            [&](HWND sheet) { script(sheet, PropSheet_GetCurrentPageHwnd(sheet)); });
    }

    template <class Value>
    Value Get(const GUID& set, DWORD id) {
        Value value{};
        EXPECT_EQ(KMXPI_PropertyGet(camera_, &set, id, sizeof value, &value), KMXPI_STATUS_SUCCESS);
        return value;
    }
    template <class Value>
    void Set(const GUID& set, DWORD id, Value value) {
        ASSERT_EQ(KMXPI_PropertySet(camera_, &set, id, sizeof value, &value), KMXPI_STATUS_SUCCESS);
    }
    Position CameraPosition() { return Get<Position>(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_PAN_TILT); }

    static constexpr char kSerial[] = "ZOOM1";
    std::unique_ptr<kmxcam::CameraService> service_;
    bool started_ = false;
    KMXPI_HANDLE camera_ = nullptr;
};

TEST_F(ZoomPageTest, DraggingThePanTiltWindowSendsItsPositionWithinTheField) {
    Open("pantilt");
    Show(false, [&](HWND sheet, HWND page) {
        // Zoomed in fully, the window is 160 x 120 of the 640 x 480 field.
        SetFocus(GetDlgItem(page, IDC_ZOOM_TRACKBAR));
        Tap(VK_END);
        EXPECT_EQ(Get<BYTE>(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_ZOOM), 8);
        HWND control = GetDlgItem(page, IDC_ZOOM_PAN_TILT_WINDOW);
        ASSERT_TRUE(control);
        RECT area;
        GetClientRect(control, &area);
        POINT centre{area.right / 2, area.bottom / 2};
        MouseAt(control, centre);

        DragBy(control, 1000, 1000);
        EXPECT_TRUE(PumpUntil([&] {
            return CameraPosition() == Position{480, 360};
        })) << testing::PrintToString(CameraPosition());
        DragBy(control, -1000, -1000);
        EXPECT_TRUE(PumpUntil([&] {
            return CameraPosition() == Position{0, 0};
        })) << testing::PrintToString(CameraPosition());

        // The next write finds the camera gone and ends the sheet.
        ASSERT_TRUE(service_->Unplug(kSerial));
        DragBy(control, 30, 30);
        EXPECT_TRUE(PumpUntil([&] { return kmxtest::SheetEnded(sheet); }));
    });
}

TEST_F(ZoomPageTest, CancelWritesBackWhatThePageFirstRead) {
    Open("pantilt");
    Set<BYTE>(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_MIRROR, 1);
    Set<BYTE>(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_ZOOM, 2);
    Set(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_PAN_TILT, Position{10, 10});
    Show(false, [&](HWND sheet, HWND page) {
        Click(GetDlgItem(page, IDC_ZOOM_FLIP));
        Click(GetDlgItem(page, IDC_ZOOM_MIRROR));
        Pump();
        EXPECT_EQ(Get<BYTE>(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_FLIP), 1);
        EXPECT_EQ(Get<BYTE>(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_MIRROR), 0);
        SetFocus(GetDlgItem(page, IDC_ZOOM_TRACKBAR));
        Tap(VK_END);
        HWND control = GetDlgItem(page, IDC_ZOOM_PAN_TILT_WINDOW);
        RECT area;
        GetClientRect(control, &area);
        MouseAt(control, {area.right / 2, area.bottom / 2});
        DragBy(control, 1000, 1000);
        EXPECT_TRUE(PumpUntil([&] { return CameraPosition() == Position{480, 360}; }));
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(Get<BYTE>(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_FLIP), 0);
    EXPECT_EQ(Get<BYTE>(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_MIRROR), 1);
    EXPECT_EQ(Get<BYTE>(KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_ZOOM), 2);
    // The position goes back first, at zoom step 8, and the zoom step's
    // change then moves the window so that the middle of the view stays
    // where it was: the 520 x 390 window of step 2 comes to rest at the
    // field's corner, not at (10, 10).
    EXPECT_EQ(CameraPosition(), (Position{0, 0}));
}

TEST_F(ZoomPageTest, FlipAndMirrorGoToThePipelineOnlyForRgb24Capture) {
    Open("compact");
    for (bool rgb24 : {false, true}) {
        SCOPED_TRACE(rgb24 ? "24-bit RGB" : "another format");
        Show(rgb24, [&](HWND sheet, HWND page) {
            HWND flip = GetDlgItem(page, IDC_ZOOM_FLIP);
            HWND mirror = GetDlgItem(page, IDC_ZOOM_MIRROR);
            EXPECT_TRUE(IsWindowVisible(flip));
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, IDC_ZOOM_ORIENTATION_GROUP)));
            EXPECT_EQ(IsWindowEnabled(flip) != FALSE, rgb24);
            EXPECT_EQ(IsWindowEnabled(mirror) != FALSE, rgb24);
            Click(flip);
            Click(mirror);
            Pump();
            PropSheet_PressButton(sheet, PSBTN_OK);
        });
        EXPECT_EQ(Get<BYTE>(KMXPI_PROPSET_IMAGE, KMXPI_IMAGE_FLIP), rgb24 ? 1 : 0);
        EXPECT_EQ(Get<BYTE>(KMXPI_PROPSET_IMAGE, KMXPI_IMAGE_MIRROR), rgb24 ? 1 : 0);
    }
}

}  // namespace
