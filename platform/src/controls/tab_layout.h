// Where a tab control's parts lie: one row of tabs along the top, each as
// wide as its label, and below them the pane whose inside is the display
// area for the pages.
#pragma once

#include <windows.h>

#include <vector>

namespace kmxwin::controls {

class TabLayout {
  public:
    // LABEL_WIDTHS are the widths of the labels in the control's font,
    // TEXT_HEIGHT its height.
    TabLayout(const std::vector<int>& label_widths, int text_height);

    // Tab INDEX as TCM_GETITEMRECT gives it (the selected tab is drawn
    // larger than this).
    RECT Item(int index) const { return items_[index]; }
    int Count() const { return static_cast<int>(items_.size()); }
    // The tab under PT, or -1.
    int HitTest(POINT pt) const;
    // The selected tab as drawn: raised above the row and down over the
    // pane's two-pixel border.
    static RECT Raised(const RECT& item);

    // The pane's frame within CLIENT.
    RECT Pane(const RECT& client) const;
    // TCM_ADJUSTRECT: from a window rectangle to its display area
    // (LARGER false) or back.
    void Adjust(bool larger, RECT& rect) const;

  private:
    int RowBottom() const;

    int item_height_;
    std::vector<RECT> items_;
};

}  // namespace kmxwin::controls
