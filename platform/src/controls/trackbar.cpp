// The trackbar's window procedure: the TBM_ messages, the keyboard and the
// mouse, and the WM_HSCROLL or WM_VSCROLL notifications to the parent.
#include "controls/control_classes.h"
#include "controls/control_window.h"
#include "controls/trackbar_layout.h"
#include "controls/trackbar_model.h"
#include "controls/trackbar_paint.h"

#include <commctrl.h>

namespace kmxwin::controls {
namespace {

// While the button is held in the channel the slider keeps paging towards
// the pointer: first after a pause, then at the repeat rate.
constexpr UINT_PTR kPageRepeatTimer = 1;
constexpr UINT kFirstRepeatDelay = 400;
constexpr UINT kRepeatInterval = 100;

// The step a key asks for, or -1 for keys the trackbar leaves alone.
int KeyStep(WPARAM key) {
    switch (key) {
        case VK_LEFT:
        case VK_UP:
            return TB_LINEUP;
        case VK_RIGHT:
        case VK_DOWN:
            return TB_LINEDOWN;
        case VK_PRIOR:
            return TB_PAGEUP;
        case VK_NEXT:
            return TB_PAGEDOWN;
        case VK_HOME:
            return TB_TOP;
        case VK_END:
            return TB_BOTTOM;
        default:
            return -1;
    }
}

class Trackbar : public ControlWindow {
  public:
    using ControlWindow::ControlWindow;

    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  private:
    enum class Tracking { None, Thumb, Page };

    DWORD Style() const { return static_cast<DWORD>(GetWindowLongA(Handle(), GWL_STYLE)); }
    TrackbarLayout Layout() const;
    // Moves the slider as the program asks: no notification.
    void Place(LONG position, bool redraw);
    // Moves the slider as the user asks and tells the parent with CODE, when
    // it moved.
    void Step(WORD code, LONG target);
    void Notify(WORD code);

    void StartTracking(POINT pt);
    void Drag(POINT pt);
    void RepeatPage();
    // Ends a drag or a held click: the capture goes, the parent learns
    // where the slider ended.
    void EndTracking();

    void Paint(HDC dc) override;

    TrackbarModel model_;
    Tracking tracking_ = Tracking::None;
    bool dragged_ = false;  // a TB_THUMBTRACK went out during this drag
    int grab_offset_ = 0;   // from the thumb's centre to where it was taken
    WORD page_step_ = TB_PAGEUP;
};

TrackbarLayout Trackbar::Layout() const {
    RECT client{};
    GetClientRect(Handle(), &client);
    return TrackbarLayout(Style(), {client.right, client.bottom});
}

void Trackbar::Place(LONG position, bool redraw) {
    model_.SetPosition(position);
    if (redraw) Invalidate();
}

void Trackbar::Notify(WORD code) {
    WORD position = 0;
    if (code == TB_THUMBTRACK || code == TB_THUMBPOSITION)
        position = static_cast<WORD>(model_.Position());
    UINT message = (Style() & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
    SendMessageA(GetParent(Handle()), message, MAKEWPARAM(code, position),
                 reinterpret_cast<LPARAM>(Handle()));
}

void Trackbar::Step(WORD code, LONG target) {
    if (target == model_.Position()) return;
    Place(target, true);
    Notify(code);
}

void Trackbar::StartTracking(POINT pt) {
    TrackbarLayout layout = Layout();
    RECT thumb = layout.Thumb(model_);
    int centre = layout.CentreOf(model_, model_.Position());
    SetCapture(Handle());
    if (PtInRect(&thumb, pt)) {
        tracking_ = Tracking::Thumb;
        dragged_ = false;
        grab_offset_ = layout.Along(pt) - centre;
        Invalidate();
        return;
    }
    tracking_ = Tracking::Page;
    page_step_ = layout.Along(pt) < centre ? TB_PAGEUP : TB_PAGEDOWN;
    SetTimer(Handle(), kPageRepeatTimer, kFirstRepeatDelay, nullptr);
    Step(page_step_, model_.StepTarget(page_step_));
}

void Trackbar::Drag(POINT pt) {
    TrackbarLayout layout = Layout();
    LONG target = layout.PositionAt(model_, layout.Along(pt) - grab_offset_);
    if (target == model_.Position()) return;
    Place(target, true);
    dragged_ = true;
    Notify(TB_THUMBTRACK);
}

void Trackbar::RepeatPage() {
    SetTimer(Handle(), kPageRepeatTimer, kRepeatInterval, nullptr);
    POINT pt{};
    GetCursorPos(&pt);
    ScreenToClient(Handle(), &pt);
    // Paging stops once the thumb has reached the pointer.
    TrackbarLayout layout = Layout();
    RECT thumb = layout.Thumb(model_);
    int along = layout.Along(pt);
    bool beyond = page_step_ == TB_PAGEUP
                      ? along < (layout.Vertical() ? thumb.top : thumb.left)
                      : along >= (layout.Vertical() ? thumb.bottom : thumb.right);
    if (beyond) Step(page_step_, model_.StepTarget(page_step_));
}

void Trackbar::EndTracking() {
    if (tracking_ == Tracking::None) return;
    bool thumb_moved = tracking_ == Tracking::Thumb && dragged_;
    tracking_ = Tracking::None;
    KillTimer(Handle(), kPageRepeatTimer);
    // Our own WM_CAPTURECHANGED finds nothing left to end.
    if (GetCapture() == Handle()) ReleaseCapture();
    Invalidate();
    if (thumb_moved) {
        Notify(TB_THUMBPOSITION);
        if (!Alive()) return;
    }
    Notify(TB_ENDTRACK);
}

void Trackbar::Paint(HDC dc) {
    RECT client{};
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, BackgroundBrush(dc));
    TrackbarLook look;
    look.focused = GetFocus() == Handle();
    look.enabled = IsWindowEnabled(Handle());
    look.pressed = tracking_ == Tracking::Thumb;
    PaintTrackbar(dc, client, Layout(), model_, Style(), look);
}

LRESULT Trackbar::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    HWND hwnd = Handle();
    switch (message) {
        case TBM_GETPOS:
            return model_.Position();
        case TBM_GETRANGEMIN:
            return model_.Min();
        case TBM_GETRANGEMAX:
            return model_.Max();
        case TBM_SETPOS:
            Place(static_cast<LONG>(lparam), wparam);
            return 0;
        case TBM_SETRANGE:
            model_.SetRange(LOWORD(lparam), HIWORD(lparam));
            if (wparam) Invalidate();
            return 0;
        case TBM_SETRANGEMIN:
            model_.SetMin(static_cast<LONG>(lparam));
            if (wparam) Invalidate();
            return 0;
        case TBM_SETRANGEMAX:
            model_.SetMax(static_cast<LONG>(lparam));
            if (wparam) Invalidate();
            return 0;
        case TBM_SETTICFREQ:
            model_.SetTickFrequency(static_cast<LONG>(wparam));
            Invalidate();
            return 0;
        case TBM_GETNUMTICS:
            return Layout().TickCount(model_, Style());
        case TBM_SETLINESIZE:
            return model_.SetLineSize(static_cast<LONG>(lparam));
        case TBM_GETLINESIZE:
            return model_.LineSize();
        case TBM_SETPAGESIZE:
            return model_.SetPageSize(static_cast<LONG>(lparam));
        case TBM_GETPAGESIZE:
            return model_.PageSize();
        case TBM_GETTHUMBLENGTH:
            return Layout().ThumbLength();
        case TBM_GETTHUMBRECT:
        case TBM_GETCHANNELRECT:
            if (auto* rect = reinterpret_cast<RECT*>(lparam)) {
                TrackbarLayout layout = Layout();
                *rect = message == TBM_GETTHUMBRECT ? layout.Thumb(model_) : layout.Channel();
            }
            return 0;

        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_KEYDOWN: {
            int step = KeyStep(wparam);
            if (step < 0) break;
            Step(static_cast<WORD>(step), model_.StepTarget(static_cast<WORD>(step)));
            return 0;
        }
        case WM_KEYUP:
            if (KeyStep(wparam) < 0) break;
            Notify(TB_ENDTRACK);
            return 0;

        case WM_LBUTTONDOWN:
            if (GetFocus() != hwnd) SetFocus(hwnd);
            if (Alive() && tracking_ == Tracking::None) StartTracking(PointFromLParam(lparam));
            return 0;
        case WM_MOUSEMOVE:
            if (tracking_ == Tracking::Thumb) Drag(PointFromLParam(lparam));
            return 0;
        case WM_TIMER:
            if (wparam != kPageRepeatTimer) break;
            if (tracking_ == Tracking::Page) RepeatPage();
            return 0;
        case WM_LBUTTONUP:
            EndTracking();
            return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lparam) != hwnd) EndTracking();
            return 0;
        case WM_SIZE:
        case WM_STYLECHANGED:
            Invalidate();
            break;
    }
    return Default(message, wparam, lparam);
}

}  // namespace

LRESULT CALLBACK TrackbarProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return ControlWindow::Procedure<Trackbar>(hwnd, message, wparam, lparam);
}

}  // namespace kmxwin::controls
