// Digital pan, tilt and zoom: the camera delivers a window cut out of its
// sensor's full field, scaled to the frame size. A zoom step shrinks the
// window; the window's position in the field is the pan and tilt. The
// settings pages show the field, the window and its position in field
// pixels, so these are the numbers the camera keeps.
#pragma once

#include <cstdint>

namespace kmxcam {

struct PanTiltZoomOptics {
    uint32_t field_width = 0, field_height = 0;    // the sensor's full size
    uint32_t window_width = 0, window_height = 0;  // the window at zoom step 0
    uint32_t last_width = 0, last_height = 0;      // the window at the highest step
    uint32_t steps = 0;                            // the highest zoom step; 0 = no zoom
};

struct WindowSize {
    uint32_t width = 0, height = 0;
};
struct WindowPosition {
    uint32_t x = 0, y = 0;
};

// The window at zoom STEP (at most the highest): it shrinks in equal steps
// from the step-0 window to the highest step's.
WindowSize WindowAt(const PanTiltZoomOptics& optics, uint32_t step);
// A window of SIZE centred in the field.
WindowPosition Centred(const PanTiltZoomOptics& optics, WindowSize size);
// Where a window that was OLD_SIZE at OLD goes when it becomes NEW_SIZE:
// zooming keeps the middle of the view where it was, and the window stays
// inside the field.
WindowPosition Refitted(const PanTiltZoomOptics& optics, WindowSize old_size, WindowPosition old,
                        WindowSize new_size);

}  // namespace kmxcam
