#include "controls/trackbar_model.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <utility>

namespace kmxwin::controls {

LONG TrackbarModel::PageSize() const {
    if (page_size_ >= 0) return page_size_;
    // A range narrower than five positions would give a page of nothing, and
    // a click in the channel would never reach the pointer.
    long long fifth = (static_cast<long long>(max_) - min_) / 5;
    return static_cast<LONG>(std::max(1LL, fifth));
}

LONG TrackbarModel::Clamp(LONG position) const {
    // In this order, as Windows does: with a range whose minimum lies above
    // its maximum the maximum wins.
    if (position < min_) position = min_;
    if (position > max_) position = max_;
    return position;
}

void TrackbarModel::SetRange(LONG min, LONG max) {
    min_ = min;
    max_ = max;
    position_ = Clamp(position_);
}

void TrackbarModel::SetPosition(LONG position) {
    position_ = Clamp(position);
}

LONG TrackbarModel::SetLineSize(LONG size) {
    return std::exchange(line_size_, size);
}

LONG TrackbarModel::SetPageSize(LONG size) {
    LONG previous = PageSize();
    page_size_ = size;
    return previous;
}

LONG TrackbarModel::StepTarget(WORD code) const {
    // 64-bit sums: a step from near the end of a LONG range must not wrap.
    long long target = position_;
    switch (code) {
        case TB_LINEUP:
            target -= line_size_;
            break;
        case TB_LINEDOWN:
            target += line_size_;
            break;
        case TB_PAGEUP:
            target -= PageSize();
            break;
        case TB_PAGEDOWN:
            target += PageSize();
            break;
        case TB_TOP:
            return Clamp(min_);
        case TB_BOTTOM:
            return Clamp(max_);
        default:
            return position_;
    }
    target = std::clamp<long long>(target, LONG_MIN, LONG_MAX);
    return Clamp(static_cast<LONG>(target));
}

}  // namespace kmxwin::controls
