#include "controls/trackbar_layout.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>

namespace kmxwin::controls {
namespace {

// The classic proportions: a thumb 21 pixels long and 11 wide when the
// control is tall enough, a 4-pixel channel, ticks 3 pixels long 2 pixels
// off the thumb, and 3 pixels kept free at the edges for the focus
// rectangle.
constexpr int kEdgeGap = 3;
constexpr int kMaxThumbLength = 21;
constexpr int kMinThumbLength = 6;
constexpr int kChannelThickness = 4;
constexpr int kTickGap = 2;
constexpr int kTickLength = 3;
constexpr int kTickSpace = kTickGap + kTickLength;

// Rounded A * B / C for C > 0, in 64 bits: a range may span every LONG.
long long MulDivRounded(long long a, long long b, long long c) {
    long long product = a * b;
    return product >= 0 ? (product + c / 2) / c : -((-product + c / 2) / c);
}

}  // namespace

TrackbarLayout::TrackbarLayout(DWORD style, SIZE client)
    : vertical_(style & TBS_VERT),
      shape_((style & TBS_BOTH)  ? ThumbShape::Square
             : (style & TBS_TOP) ? ThumbShape::PointsBefore
                                 : ThumbShape::PointsAfter),
      ticks_before_(!(style & TBS_NOTICKS) && shape_ != ThumbShape::PointsAfter),
      ticks_after_(!(style & TBS_NOTICKS) && shape_ != ThumbShape::PointsBefore) {
    int along_size = vertical_ ? client.cy : client.cx;
    int across_size = vertical_ ? client.cx : client.cy;

    int tick_space = (ticks_before_ ? kTickSpace : 0) + (ticks_after_ ? kTickSpace : 0);
    thumb_length_ =
        std::clamp(across_size - 2 * kEdgeGap - tick_space, kMinThumbLength, kMaxThumbLength);
    // Odd, so that a pointed thumb's tip sits on its centre line.
    thumb_width_ = (thumb_length_ / 2) | 1;
    thumb_across_ = kEdgeGap + (ticks_before_ ? kTickSpace : 0);

    int half = thumb_width_ / 2;
    first_ = kEdgeGap + half;
    last_ = std::max(first_, along_size - 1 - kEdgeGap - half);

    // The channel runs through the middle of the thumb's body, the part
    // without the point.
    int point = shape_ == ThumbShape::Square ? 0 : half;
    int body = thumb_length_ - point;
    int body_start = thumb_across_ + (shape_ == ThumbShape::PointsBefore ? point : 0);
    channel_across_ = body_start + (body - kChannelThickness) / 2;
}

POINT TrackbarLayout::ToClient(int along, int across) const {
    return vertical_ ? POINT{across, along} : POINT{along, across};
}

RECT TrackbarLayout::ToClient(int along_from, int across_from, int along_to, int across_to) const {
    return vertical_ ? RECT{across_from, along_from, across_to, along_to}
                     : RECT{along_from, across_from, along_to, across_to};
}

RECT TrackbarLayout::Channel() const {
    int half = thumb_width_ / 2;
    return ToClient(first_ - half, channel_across_, last_ + half + 1,
                    channel_across_ + kChannelThickness);
}

int TrackbarLayout::CentreOf(const TrackbarModel& model, LONG position) const {
    long long span = static_cast<long long>(model.Max()) - model.Min();
    if (span <= 0) return first_;
    long long offset = static_cast<long long>(model.Clamp(position)) - model.Min();
    return first_ + static_cast<int>(MulDivRounded(offset, last_ - first_, span));
}

LONG TrackbarLayout::PositionAt(const TrackbarModel& model, int along) const {
    long long span = static_cast<long long>(model.Max()) - model.Min();
    if (span <= 0 || last_ == first_) return model.Clamp(model.Min());
    int pixel = std::clamp(along, first_, last_);
    long long offset = MulDivRounded(pixel - first_, span, last_ - first_);
    return model.Clamp(static_cast<LONG>(model.Min() + offset));
}

RECT TrackbarLayout::Thumb(const TrackbarModel& model) const {
    int centre = CentreOf(model, model.Position());
    int half = thumb_width_ / 2;
    return ToClient(centre - half, thumb_across_, centre + half + 1, thumb_across_ + thumb_length_);
}

std::vector<LONG> TrackbarLayout::TickPositions(const TrackbarModel& model, DWORD style) const {
    if (style & TBS_NOTICKS) return {};
    LONG min = model.Min(), max = model.Max();
    std::vector<LONG> positions{min};
    if ((style & TBS_AUTOTICKS) && model.TickFrequency() > 0 && max > min) {
        // Never more than one tick a pixel: the marks of a wide range would
        // only pile up on each other.
        long long span = static_cast<long long>(max) - min;
        long long pixels = std::max(1, last_ - first_);
        long long stride = std::max<long long>(model.TickFrequency(), (span + pixels - 1) / pixels);
        for (long long at = min + stride; at < max; at += stride)
            positions.push_back(static_cast<LONG>(at));
    }
    if (max != min) positions.push_back(max);
    return positions;
}

int TrackbarLayout::TickCount(const TrackbarModel& model, DWORD style) const {
    if (style & TBS_NOTICKS) return 0;
    long long span = static_cast<long long>(model.Max()) - model.Min();
    long long count = 2;
    if ((style & TBS_AUTOTICKS) && model.TickFrequency() > 0 && span > 0)
        count += (span - 1) / model.TickFrequency();
    return static_cast<int>(std::min<long long>(count, INT_MAX));
}

std::vector<RECT> TrackbarLayout::Ticks(const TrackbarModel& model, DWORD style) const {
    std::vector<RECT> ticks;
    int after = thumb_across_ + thumb_length_ + kTickGap;
    int before = thumb_across_ - kTickGap - kTickLength;
    for (LONG position : TickPositions(model, style)) {
        int along = CentreOf(model, position);
        if (ticks_before_)
            ticks.push_back(ToClient(along, before, along + 1, before + kTickLength));
        if (ticks_after_) ticks.push_back(ToClient(along, after, along + 1, after + kTickLength));
    }
    return ticks;
}

}  // namespace kmxwin::controls
