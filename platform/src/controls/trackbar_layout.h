// Where a trackbar's parts lie in its client area: the channel, the slider
// (the thumb) for a position, the tick marks, and the position a point
// along the channel stands for. Worked out along the channel ("along") and
// across it ("across"), so that horizontal and vertical trackbars share it.
#pragma once

#include "controls/trackbar_model.h"

#include <windows.h>

#include <vector>

namespace kmxwin::controls {

// Which way the thumb points: at the ticks on one side, or square when they
// are on both sides.
enum class ThumbShape { PointsBefore, PointsAfter, Square };

class TrackbarLayout {
  public:
    // The layout of a trackbar of STYLE (TBS_*) with a client area of SIZE.
    TrackbarLayout(DWORD style, SIZE client);

    bool Vertical() const { return vertical_; }
    ThumbShape Shape() const { return shape_; }
    int ThumbLength() const { return thumb_length_; }
    int ThumbWidth() const { return thumb_width_; }
    // Where the thumb starts across the channel.
    int ThumbAcross() const { return thumb_across_; }

    RECT Channel() const;
    RECT Thumb(const TrackbarModel& model) const;
    // The centre of the thumb, along the channel, at POSITION.
    int CentreOf(const TrackbarModel& model, LONG position) const;
    // The position whose thumb centre lies nearest to ALONG.
    LONG PositionAt(const TrackbarModel& model, int along) const;
    // A point's coordinate along the channel.
    int Along(POINT pt) const { return vertical_ ? pt.y : pt.x; }

    // The tick marks, each a line one pixel wide in client coordinates, on
    // the sides the style asks for.
    std::vector<RECT> Ticks(const TrackbarModel& model, DWORD style) const;
    // How many tick marks the style and model give (first and last
    // included).
    int TickCount(const TrackbarModel& model, DWORD style) const;

    // A point or rectangle given along and across the channel, in client
    // coordinates.
    POINT ToClient(int along, int across) const;
    RECT ToClient(int along_from, int across_from, int along_to, int across_to) const;

  private:
    std::vector<LONG> TickPositions(const TrackbarModel& model, DWORD style) const;

    bool vertical_;
    ThumbShape shape_;
    bool ticks_before_;
    bool ticks_after_;
    int thumb_length_;  // across the channel
    int thumb_width_;   // along the channel
    int thumb_across_;  // where the thumb starts across the channel
    int first_;         // thumb centre at the minimum
    int last_;          // thumb centre at the maximum
    int channel_across_;
};

}  // namespace kmxwin::controls
