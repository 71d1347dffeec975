#include "sheet_script.h"

#include <gtest/gtest.h>
#include <prsht.h>

#include "control_host.h"

namespace kmxtest {
namespace {

const std::function<void(HWND)>* g_script = nullptr;
UINT_PTR g_timer = 0;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    // The sheet's modal loop is the first to dispatch a thread timer.
    HWND sheet = GetActiveWindow();
    if (!sheet || !g_script) return;
    KillTimer(nullptr, g_timer);
    g_timer = 0;
    const std::function<void(HWND)>& script = *std::exchange(g_script, nullptr);
    script(sheet);
    // OK and Cancel pressed by the script are posted.
    if (!PumpUntil([&] { return SheetEnded(sheet); }, 2000)) {
        ADD_FAILURE() << "the script left the sheet open";
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    }
}

}  // namespace

INT_PTR RunSheetScript(const std::function<INT_PTR()>& run_sheet,
                       const std::function<void(HWND sheet)>& script) {
    g_script = &script;
    g_timer = SetTimer(nullptr, 0, 10, Tick);
    INT_PTR result = run_sheet();
    if (g_timer) {
        ADD_FAILURE() << "the sheet did not show";
        KillTimer(nullptr, g_timer);
        g_timer = 0;
    }
    g_script = nullptr;
    return result;
}

bool SheetEnded(HWND sheet) {
    return !IsWindow(sheet) || !PropSheet_GetCurrentPageHwnd(sheet);
}

}  // namespace kmxtest
