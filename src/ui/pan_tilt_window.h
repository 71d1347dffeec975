// The pan/tilt window control: a small child window that draws the camera's
// full sensor field as a black rectangle and the window the camera delivers
// as a smaller one inside it, and lets the user move that window with the
// mouse (dragging with a hidden cursor confined to the reachable positions)
// or with the arrow keys. It knows nothing of the camera: its owner gives it
// the sizes and the position and polls it for changes.
#pragma once

#include <windows.h>

#include "ui/window.h"

namespace kmx::ui {

// Where the delivered window lies in the full field, in camera units.
struct PanTiltPosition {
    DWORD x;  // pan: left edge
    DWORD y;  // tilt: top edge
};

class PanTiltWindow : public Window {
  public:
    PanTiltWindow() = default;
    // Destroys the control, ending a drag in progress (while this object's
    // handlers still answer).
    ~PanTiltWindow() override;

    // Resets the model to a 100 x 100 field with a 50 x 50 window at
    // (25, 25), then creates the control at RECT of PARENT's client area
    // with id ID. False when the window cannot be made.
    bool Create(HWND parent, const RECT& rect, int id);
    // Takes new sizes and centres the window in the field; marks the
    // position changed. False, changing nothing, when the window does not
    // fit the field or a size is 0.
    bool SetFullField(DWORD full_width, DWORD full_height, DWORD window_width, DWORD window_height);
    // Moves the window to (X, Y); false, changing nothing, when it would
    // leave the field. Does not mark the position changed: the owner set it.
    bool SetWindowPosition(DWORD x, DWORD y);
    // Whether the position changed since the last call (by the user, or by a
    // new field); clears the mark.
    bool TakeChanged();
    PanTiltPosition GetWindowPosition() const { return {x_, y_}; }

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  private:
    // Recomputes the scale and the three rectangles from the model and the
    // control's size; whether a rectangle changed.
    bool Layout();
    void Paint();
    // Redraws only the window's frame after a move, straight on the
    // control's device context.
    void QuickRedraw();
    void ButtonDown(POINT client_point);
    void MouseMove();
    void ButtonUp(POINT client_point);
    void KeyDown(WPARAM key);
    // Gives the mouse back: capture released, cursor shown and free.
    void EndDrag();
    void Invalidate();

    DWORD full_width_ = 0;
    DWORD full_height_ = 0;
    DWORD window_width_ = 0;
    DWORD window_height_ = 0;
    DWORD x_ = 0;
    DWORD y_ = 0;
    bool changed_ = false;
    bool dragging_ = false;
    bool focused_ = false;

    float scale_ = 0;     // screen pixels per camera unit
    RECT field_rect_{};   // client coordinates
    RECT window_rect_{};  // client coordinates
    RECT clip_rect_{};    // screen coordinates: where the window's top-left may go
};

}  // namespace kmx::ui
