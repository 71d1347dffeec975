#include "pan_tilt_zoom.h"

#include <algorithm>

namespace kmxcam {

WindowSize WindowAt(const PanTiltZoomSpec& spec, uint32_t step) {
    if (spec.steps == 0) return {spec.window_width, spec.window_height};
    step = std::min(step, spec.steps);
    return {spec.window_width - (spec.window_width - spec.last_width) * step / spec.steps,
            spec.window_height - (spec.window_height - spec.last_height) * step / spec.steps};
}

WindowPosition Centred(const PanTiltZoomSpec& spec, WindowSize size) {
    return {(spec.field_width - size.width) / 2, (spec.field_height - size.height) / 2};
}

WindowPosition Refitted(const PanTiltZoomSpec& spec, WindowSize old_size, WindowPosition old,
                        WindowSize new_size) {
    auto axis = [](uint64_t at, uint64_t old_extent, uint64_t new_extent, uint64_t field) {
        int64_t middle = int64_t(at + old_extent / 2);
        int64_t start = middle - int64_t(new_extent / 2);
        return static_cast<uint32_t>(std::clamp<int64_t>(start, 0, int64_t(field - new_extent)));
    };
    return {axis(old.x, old_size.width, new_size.width, spec.field_width),
            axis(old.y, old_size.height, new_size.height, spec.field_height)};
}

}  // namespace kmxcam
