#include "pan_tilt_zoom.h"

#include <algorithm>

namespace kmxcam {

WindowSize WindowAt(const PanTiltZoomOptics& optics, uint32_t step) {
    if (optics.steps == 0) return {optics.window_width, optics.window_height};
    step = std::min(step, optics.steps);
    return {
        optics.window_width - (optics.window_width - optics.last_width) * step / optics.steps,
        optics.window_height - (optics.window_height - optics.last_height) * step / optics.steps};
}

WindowPosition Centred(const PanTiltZoomOptics& optics, WindowSize size) {
    return {(optics.field_width - size.width) / 2, (optics.field_height - size.height) / 2};
}

WindowPosition Refitted(const PanTiltZoomOptics& optics, WindowSize old_size, WindowPosition old,
                        WindowSize new_size) {
    auto axis = [](uint64_t at, uint64_t old_extent, uint64_t new_extent, uint64_t field) {
        int64_t middle = int64_t(at + old_extent / 2);
        int64_t start = middle - int64_t(new_extent / 2);
        return static_cast<uint32_t>(std::clamp<int64_t>(start, 0, int64_t(field - new_extent)));
    };
    return {axis(old.x, old_size.width, new_size.width, optics.field_width),
            axis(old.y, old_size.height, new_size.height, optics.field_height)};
}

}  // namespace kmxcam
