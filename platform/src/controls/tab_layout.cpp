#include "controls/tab_layout.h"

namespace kmxwin::controls {
namespace {

// The classic measures: labels padded by 6 pixels left and right and 3 above
// and below; the row starts 2 pixels in, the room the selected tab grows
// into; the display area lies 4 pixels inside the pane (its 2-pixel border
// and a 2-pixel margin).
constexpr int kPaddingX = 6;
constexpr int kPaddingY = 3;
constexpr int kRaise = 2;
constexpr int kDisplayInset = 4;

}  // namespace

TabLayout::TabLayout(const std::vector<int>& label_widths, int text_height)
    : item_height_(text_height + 2 * kPaddingY) {
    int x = kRaise;
    for (int width : label_widths) {
        int item_width = width + 2 * kPaddingX;
        items_.push_back({x, kRaise, x + item_width, kRaise + item_height_});
        x += item_width;
    }
}

int TabLayout::RowBottom() const {
    return kRaise + item_height_;
}

int TabLayout::HitTest(POINT pt) const {
    for (int index = 0; index < Count(); ++index) {
        const RECT& item = items_[index];
        if (pt.x >= item.left && pt.x < item.right && pt.y >= item.top && pt.y < item.bottom)
            return index;
    }
    return -1;
}

RECT TabLayout::Raised(const RECT& item) {
    return {item.left - kRaise, item.top - kRaise, item.right + kRaise, item.bottom + 2};
}

RECT TabLayout::Pane(const RECT& client) const {
    return {client.left, client.top + RowBottom(), client.right, client.bottom};
}

void TabLayout::Adjust(bool larger, RECT& rect) const {
    int sign = larger ? -1 : 1;
    rect.left += sign * kDisplayInset;
    rect.top += sign * (RowBottom() + kDisplayInset);
    rect.right -= sign * kDisplayInset;
    rect.bottom -= sign * kDisplayInset;
}

}  // namespace kmxwin::controls
