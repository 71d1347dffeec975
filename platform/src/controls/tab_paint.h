// Drawing a tab control in the classic look: raised tabs over a raised
// pane, the selected tab larger and joined to the pane.
#pragma once

#include "controls/tab_layout.h"

#include <windows.h>

#include <vector>

namespace kmxwin::controls {

struct TabLook {
    int selected = -1;
    bool focused = false;
    bool enabled = true;
    HFONT font = nullptr;
};

// Paints everything but the background into DC; CLIENT is the control's
// client rectangle, LABELS the tabs' texts.
void PaintTabControl(HDC dc, const RECT& client, const TabLayout& layout,
                     const std::vector<const char*>& labels, const TabLook& look);

}  // namespace kmxwin::controls
