#include "ui/pan_tilt_window.h"

#include <algorithm>
#include <utility>

namespace kmx::ui {
namespace {

constexpr char kClassName[] = "PanTiltWindow";
constexpr char kWindowName[] = "Pan Tilt Window";

// The margin kept free around the field on every side.
constexpr int kMargin = 3;

// The model a new control starts from.
constexpr DWORD kInitialField = 100;
constexpr DWORD kInitialWindow = 50;
constexpr DWORD kInitialPosition = 25;

constexpr COLORREF kActiveFrame = RGB(255, 0, 0);

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Stores NEXT into STORED when it differs; whether it did.
bool Replace(RECT& stored, const RECT& next) {
    if (SameRect(stored, next)) return false;
    stored = next;
    return true;
}

int Scaled(float scale, DWORD units) {
    return static_cast<int>(scale * static_cast<float>(units));
}

void Frame(HDC dc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FrameRect(dc, &rect, brush);
    DeleteObject(brush);
}

}  // namespace

PanTiltWindow::~PanTiltWindow() {
    Destroy();
}

bool PanTiltWindow::Create(HWND parent, const RECT& rect, int id) {
    Destroy();
    full_width_ = kInitialField;
    full_height_ = kInitialField;
    window_width_ = kInitialWindow;
    window_height_ = kInitialWindow;
    x_ = kInitialPosition;
    y_ = kInitialPosition;
    changed_ = false;
    dragging_ = false;
    focused_ = false;
    if (!CreateWindowOfClass(kClassName, CS_DBLCLKS, kWindowName,
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP, parent, rect, id))
        return false;
    // Input may come before the first paint: the rectangles must be right.
    Layout();
    return true;
}

bool PanTiltWindow::SetFullField(DWORD full_width, DWORD full_height, DWORD window_width,
                                 DWORD window_height) {
    if (full_width < window_width || full_height < window_height) return false;
    if (!full_width || !full_height || !window_width || !window_height) return false;
    full_width_ = full_width;
    full_height_ = full_height;
    window_width_ = window_width;
    window_height_ = window_height;
    x_ = (full_width - window_width) / 2;
    y_ = (full_height - window_height) / 2;
    changed_ = true;
    if (Layout()) Invalidate();
    return true;
}

bool PanTiltWindow::SetWindowPosition(DWORD x, DWORD y) {
    if (x > full_width_ - window_width_ || y > full_height_ - window_height_) return false;
    x_ = x;
    y_ = y;
    if (Layout()) Invalidate();
    return true;
}

bool PanTiltWindow::TakeChanged() {
    return std::exchange(changed_, false);
}

LRESULT PanTiltWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    POINT point{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    switch (message) {
        case WM_PAINT:
            Paint();
            break;
        case WM_LBUTTONDOWN:
            ButtonDown(point);
            break;
        case WM_MOUSEMOVE:
            if (dragging_) MouseMove();
            break;
        case WM_LBUTTONUP:
            if (dragging_) ButtonUp(point);
            break;
        case WM_KEYDOWN:
            KeyDown(wparam);
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            focused_ = message == WM_SETFOCUS;
            Invalidate();
            break;
        case WM_GETDLGCODE:
            DefaultProcessing(message, wparam, lparam);
            return DLGC_WANTARROWS;
        case WM_CAPTURECHANGED:
            // Another window took the mouse in mid-drag: no button-up will come,
            // and the cursor must not stay hidden and confined.
            if (dragging_ && reinterpret_cast<HWND>(lparam) != Handle()) {
                EndDrag();
                Invalidate();
            }
            break;
        case WM_DESTROY:
            EndDrag();
            break;
        default:
            break;
    }
    return DefaultProcessing(message, wparam, lparam);
}

bool PanTiltWindow::Layout() {
    if (!Handle()) return false;
    RECT outer;
    GetWindowRect(Handle(), &outer);
    int width = outer.right - outer.left;
    int height = outer.bottom - outer.top;

    float sx = static_cast<float>(width - 2 * kMargin) / static_cast<float>(full_width_);
    float sy = static_cast<float>(height - 2 * kMargin) / static_cast<float>(full_height_);
    // A control too small for its margins draws nothing rather than a
    // rectangle turned inside out.
    scale_ = std::max(0.0f, sx > sy ? sy : sx);

    int field_width = Scaled(scale_, full_width_);
    int field_height = Scaled(scale_, full_height_);
    RECT field;
    field.left = (width - field_width - 2 * kMargin) / 2 + kMargin;
    field.top = (height - field_height - 2 * kMargin) / 2 + kMargin;
    field.right = field.left + field_width;
    field.bottom = field.top + field_height;

    int drawn_width = Scaled(scale_, window_width_);
    int drawn_height = Scaled(scale_, window_height_);
    RECT window;
    window.left = field.left + Scaled(scale_, x_);
    window.top = field.top + Scaled(scale_, y_);
    window.right = window.left + drawn_width;
    window.bottom = window.top + drawn_height;

    RECT clip{field.left, field.top, field.right - drawn_width, field.bottom - drawn_height};
    MapWindowPoints(Handle(), nullptr, reinterpret_cast<POINT*>(&clip), 2);

    bool changed = Replace(field_rect_, field);
    changed |= Replace(window_rect_, window);
    changed |= Replace(clip_rect_, clip);
    return changed;
}

void PanTiltWindow::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    Layout();
    RECT area;
    GetClientRect(Handle(), &area);
    InflateRect(&area, -kMargin, -kMargin);
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    Frame(dc, field_rect_, RGB(0, 0, 0));
    Frame(dc, window_rect_, focused_ || dragging_ ? kActiveFrame : RGB(0, 0, 0));
    EndPaint(Handle(), &paint);
}

void PanTiltWindow::QuickRedraw() {
    RECT old_window = window_rect_;
    if (!Layout()) return;
    HDC dc = GetDC(Handle());
    if (!dc) return;
    Frame(dc, old_window, GetSysColor(COLOR_BTNFACE));
    Frame(dc, field_rect_, RGB(0, 0, 0));
    Frame(dc, window_rect_, kActiveFrame);
    ReleaseDC(Handle(), dc);
}

void PanTiltWindow::ButtonDown(POINT client_point) {
    if (!PtInRect(&window_rect_, client_point)) return;
    SetCapture(Handle());
    ShowCursor(FALSE);
    Layout();
    ClipCursor(&clip_rect_);
    POINT corner{window_rect_.left, window_rect_.top};
    ClientToScreen(Handle(), &corner);
    SetCursorPos(corner.x, corner.y);
    dragging_ = true;
    Invalidate();
}

void PanTiltWindow::MouseMove() {
    POINT cursor;
    GetCursorPos(&cursor);
    // The cursor is confined to the clip rectangle, but the position must
    // stay in the field even if it was not (a display that cannot confine).
    auto units = [this](LONG pixels, DWORD limit) {
        float value = scale_ > 0 ? static_cast<float>(std::max<LONG>(0, pixels)) / scale_ : 0.0f;
        return std::min(static_cast<DWORD>(std::min(value, static_cast<float>(limit))), limit);
    };
    DWORD max_x = full_width_ - window_width_;
    DWORD max_y = full_height_ - window_height_;
    x_ = units(cursor.x - clip_rect_.left, max_x);
    y_ = units(cursor.y - clip_rect_.top, max_y);
    // The last pixel the cursor can reach stands for the far edge, which
    // the pixel arithmetic may fall short of.
    if (cursor.x == clip_rect_.right - 1) x_ = max_x;
    if (cursor.y == clip_rect_.bottom - 1) y_ = max_y;
    QuickRedraw();
    changed_ = true;
}

void PanTiltWindow::ButtonUp(POINT client_point) {
    EndDrag();
    Invalidate();
    POINT release = client_point;
    ClientToScreen(Handle(), &release);
    SetCursorPos(release.x + static_cast<int>(0.5f * scale_ * static_cast<float>(window_width_)),
                 release.y + static_cast<int>(0.5f * scale_ * static_cast<float>(window_height_)));
}

void PanTiltWindow::KeyDown(WPARAM key) {
    DWORD before_x = x_, before_y = y_;
    switch (key) {
        case VK_LEFT:
            if (x_ > 0) --x_;
            break;
        case VK_UP:
            if (y_ > 0) --y_;
            break;
        case VK_RIGHT:
            if (x_ < full_width_ - window_width_) ++x_;
            break;
        case VK_DOWN:
            if (y_ < full_height_ - window_height_) ++y_;
            break;
        default:
            break;
    }
    // A move by key is as much the user's as a drag: the owner must send it.
    if (x_ != before_x || y_ != before_y) changed_ = true;
    QuickRedraw();
}

void PanTiltWindow::EndDrag() {
    if (!dragging_) return;
    dragging_ = false;
    // Only our own capture: when another window took it, it is that one's.
    if (GetCapture() == Handle()) ReleaseCapture();
    ShowCursor(TRUE);
    ClipCursor(nullptr);
}

void PanTiltWindow::Invalidate() {
    if (Handle()) InvalidateRect(Handle(), nullptr, TRUE);
}

}  // namespace kmx::ui
