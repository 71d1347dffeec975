// Conformance of the tab control: its items and selection, the
// TCN_SELCHANGING and TCN_SELCHANGE notifications, and the display area.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "control_host.h"

namespace {

using kmxtest::ControlHost;
using kmxtest::MouseAt;
using kmxtest::Tap;

int Insert(HWND tabs, int index, const char* text, LPARAM param = 0) {
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = const_cast<char*>(text);
    item.lParam = param;
    return TabCtrl_InsertItem(tabs, index, &item);
}

std::vector<UINT> NotifyCodes(std::vector<kmxtest::Notification> all) {
    std::vector<UINT> codes;
    for (auto& n : all) codes.push_back(n.notify_code);
    return codes;
}

POINT CentreOfTab(HWND tabs, int index) {
    RECT rect;
    EXPECT_TRUE(TabCtrl_GetItemRect(tabs, index, &rect));
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

TEST(TabControlTest, ItemsKeepTheirSelectionAsTheyComeAndGo) {
    ControlHost host;
    HWND tabs = host.AddControl(WC_TABCONTROL, 0, {10, 10, 390, 200});
    EXPECT_EQ(TabCtrl_GetCurSel(tabs), -1);
    EXPECT_EQ(Insert(tabs, 0, "Standard", 11), 0);
    EXPECT_EQ(TabCtrl_GetCurSel(tabs), 0);       // the first tab is selected
    EXPECT_EQ(Insert(tabs, 99, "Zoom", 33), 1);  // past the end: appended
    EXPECT_EQ(Insert(tabs, 1, "Advanced", 22), 1);
    EXPECT_EQ(Insert(tabs, -1, "bad"), -1);
    EXPECT_EQ(TabCtrl_GetItemCount(tabs), 3);

    EXPECT_EQ(TabCtrl_SetCurSel(tabs, 2), 0);
    EXPECT_EQ(TabCtrl_SetCurSel(tabs, 3), -1);
    EXPECT_EQ(TabCtrl_GetCurSel(tabs), 2);
    EXPECT_EQ(Insert(tabs, 0, "First"), 0);
    EXPECT_EQ(TabCtrl_GetCurSel(tabs), 3);  // still "Zoom"

    char text[6];
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ASSERT_TRUE(SendMessageA(tabs, TCM_GETITEMA, 2, reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ(text, "Advan");  // cut to the buffer
    EXPECT_EQ(item.lParam, 22);

    EXPECT_TRUE(TabCtrl_DeleteItem(tabs, 0));
    EXPECT_EQ(TabCtrl_GetCurSel(tabs), 2);
    EXPECT_TRUE(TabCtrl_DeleteItem(tabs, 2));
    EXPECT_EQ(TabCtrl_GetCurSel(tabs), -1);
    EXPECT_FALSE(TabCtrl_DeleteItem(tabs, 5));

    // Tabs lie side by side in one row above the display area, which
    // TCM_ADJUSTRECT maps to and from the window rectangle.
    RECT first, second;
    ASSERT_TRUE(TabCtrl_GetItemRect(tabs, 0, &first));
    ASSERT_TRUE(TabCtrl_GetItemRect(tabs, 1, &second));
    EXPECT_EQ(first.right, second.left);
    EXPECT_EQ(first.top, second.top);
    RECT area{0, 0, 380, 190};
    TabCtrl_AdjustRect(tabs, FALSE, &area);
    EXPECT_GE(area.top, first.bottom);
    EXPECT_GT(area.left, 0);
    EXPECT_LT(area.right, 380);
    TabCtrl_AdjustRect(tabs, TRUE, &area);
    EXPECT_EQ(area.left, 0);
    EXPECT_EQ(area.top, 0);
    EXPECT_EQ(area.right, 380);
    EXPECT_EQ(area.bottom, 190);

    kmxtest::Pump();
    EXPECT_TRUE(host.Take().empty());  // no setter notifies
}

TEST(TabControlTest, ClicksAndArrowsAskTheParentBeforeChangingTheSelection) {
    ControlHost host;
    HWND tabs = host.AddControl(WC_TABCONTROL, TCS_FOCUSONBUTTONDOWN, {10, 10, 390, 200}, 7);
    Insert(tabs, 0, "One");
    Insert(tabs, 1, "Two");
    Insert(tabs, 2, "Three");

    MouseAt(tabs, CentreOfTab(tabs, 2), MOUSEEVENTF_LEFTDOWN);
    MouseAt(tabs, CentreOfTab(tabs, 2), MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(TabCtrl_GetCurSel(tabs), 2);
    EXPECT_EQ(GetFocus(), tabs);
    auto got = host.Take();
    EXPECT_EQ(NotifyCodes(got), (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE, NM_CLICK}));
    EXPECT_EQ(got[0].from, tabs);
    EXPECT_EQ(got[0].id, 7u);

    Tap(VK_LEFT);
    EXPECT_EQ(TabCtrl_GetCurSel(tabs), 1);
    Tap(VK_RIGHT);
    Tap(VK_RIGHT);  // the last tab: nothing further
    EXPECT_EQ(TabCtrl_GetCurSel(tabs), 2);
    EXPECT_EQ(NotifyCodes(host.Take()),
              (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE, TCN_SELCHANGING, TCN_SELCHANGE}));

    // A parent that answers TRUE to TCN_SELCHANGING keeps the selection.
    host.on_notify = [](const NMHDR& header) { return header.code == TCN_SELCHANGING; };
    MouseAt(tabs, CentreOfTab(tabs, 0), MOUSEEVENTF_LEFTDOWN);
    MouseAt(tabs, CentreOfTab(tabs, 0), MOUSEEVENTF_LEFTUP);
    Tap(VK_LEFT);
    EXPECT_EQ(TabCtrl_GetCurSel(tabs), 2);
    EXPECT_EQ(NotifyCodes(host.Take()),
              (std::vector<UINT>{TCN_SELCHANGING, NM_CLICK, TCN_SELCHANGING}));
}

TEST(TabControlTest, ClicksAwayFromTheTabsReachTheWindowsBeneath) {
    ControlHost host;
    HWND tabs = host.AddControl(WC_TABCONTROL, 0, {10, 10, 390, 200});
    Insert(tabs, 0, "One");
    // Made later, so beneath the tab control, as a sheet's page is.
    HWND check = host.AddControl("BUTTON", BS_AUTOCHECKBOX, {40, 80, 200, 100}, 8);
    MouseAt(check, {5, 5}, MOUSEEVENTF_LEFTDOWN);
    MouseAt(check, {5, 5}, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(host.Take().empty());
}

}  // namespace
