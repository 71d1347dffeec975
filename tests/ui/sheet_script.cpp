#include "sheet_script.h"

#include "control_host.h"

#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

namespace kmxtest {

namespace {

POINT CentreOf(HWND control) {
    RECT rect;
    GetClientRect(control, &rect);
    return {rect.right / 2, rect.bottom / 2};
}

}  // namespace

void ClickTab(HWND sheet, int index) {
    HWND tabs = PropSheet_GetTabControl(sheet);
    RECT item;
    ASSERT_TRUE(TabCtrl_GetItemRect(tabs, index, &item));
    POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    InjectMouseAt(tabs, at, MOUSEEVENTF_LEFTDOWN);
    InjectMouseAt(tabs, at, MOUSEEVENTF_LEFTUP);
}

void Click(HWND control) {
    InjectMouseAt(control, CentreOf(control), MOUSEEVENTF_LEFTDOWN);
    InjectMouseAt(control, CentreOf(control), MOUSEEVENTF_LEFTUP);
}

std::string TabText(HWND tabs, int index) {
    char text[64] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    return text;
}

INT_PTR SheetScript::Run(const std::function<INT_PTR()>& show, std::deque<Step> steps) {
    steps_ = std::move(steps);
    sheet_ = nullptr;
    idle_ticks_ = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, Tick);
    INT_PTR result = show();
    KillTimer(nullptr, timer);
    if (!sheet_) ADD_FAILURE() << "the sheet did not show";
    sheet_ = nullptr;
    return result;
}

INT_PTR RunSheetScript(const std::function<INT_PTR()>& run_sheet,
                       const std::function<void(HWND sheet)>& script) {
    return SheetScript::Run(run_sheet, {script});
}

bool SheetEnded(HWND sheet) {
    return !IsWindow(sheet) || !PropSheet_GetCurrentPageHwnd(sheet);
}

void CALLBACK SheetScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!sheet_) {
        HWND active = GetActiveWindow();
        if (!active || !IsWindowVisible(active)) return;
        sheet_ = active;
    }
    if (!steps_.empty()) {
        Step step = std::move(steps_.front());
        steps_.pop_front();
        step(sheet_);
    } else if (++idle_ticks_ == 300) {
        ADD_FAILURE() << "the steps left the sheet open";
        PropSheet_PressButton(sheet_, PSBTN_CANCEL);
    }
}

}  // namespace kmxtest
