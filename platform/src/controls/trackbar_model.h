// What a trackbar knows apart from its window: the range, the slider's
// logical position, how far a line and a page step move it, and the tick
// frequency. The window procedure keeps one per trackbar.
#pragma once

#include <windows.h>

namespace kmxwin::controls {

class TrackbarModel {
  public:
    LONG Min() const { return min_; }
    LONG Max() const { return max_; }
    LONG Position() const { return position_; }
    LONG LineSize() const { return line_size_; }
    // The page size: one fifth of the range until the program sets one.
    LONG PageSize() const;
    LONG TickFrequency() const { return tick_frequency_; }

    // Each keeps the position inside the new range.
    void SetRange(LONG min, LONG max);
    void SetMin(LONG min) { SetRange(min, max_); }
    void SetMax(LONG max) { SetRange(min_, max); }
    // Puts the slider at POSITION, or at the nearer end of the range.
    void SetPosition(LONG position);
    // Each answers the previous size.
    LONG SetLineSize(LONG size);
    LONG SetPageSize(LONG size);
    void SetTickFrequency(LONG frequency) { tick_frequency_ = frequency; }

    // The position that a TB_LINEUP, TB_LINEDOWN, TB_PAGEUP, TB_PAGEDOWN,
    // TB_TOP or TB_BOTTOM step leads to from here, inside the range.
    LONG StepTarget(WORD code) const;
    LONG Clamp(LONG position) const;

  private:
    LONG min_ = 0;
    LONG max_ = 100;
    LONG position_ = 0;
    LONG line_size_ = 1;
    LONG page_size_ = -1;  // -1: one fifth of the range
    LONG tick_frequency_ = 1;
};

}  // namespace kmxwin::controls
