// Runs steps inside a modal property sheet's loop, one a timer tick,
// beginning once the sheet is the active window; input a step injects is
// the modal loop's to take, so the next step sees what it did (a step may
// also dispatch messages itself: Pump, PumpUntil). A sheet the steps leave
// open is cancelled, and one that never shows is reported; either fails the
// test.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

namespace kmxtest {

class SheetScript {
  public:
    using Step = std::function<void(HWND sheet)>;

    // Calls SHOW, which runs a modal sheet on this thread, and the steps in
    // it; SHOW's result.
    static INT_PTR Run(const std::function<INT_PTR()>& show, std::deque<Step> steps);
    // The sheet of the running script.
    static HWND Sheet() { return sheet_; }

  private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);

    static inline std::deque<Step> steps_;
    static inline HWND sheet_ = nullptr;
    static inline int idle_ticks_ = 0;
};

// SHEET's script as one step: calls RUN_SHEET and SCRIPT with the sheet's
// window once it shows; RUN_SHEET's result.
INT_PTR RunSheetScript(const std::function<INT_PTR()>& run_sheet,
                       const std::function<void(HWND sheet)>& script);

// Whether SHEET has been ended by OK or Cancel (or is gone).
bool SheetEnded(HWND sheet);

// Tab INDEX of SHEET, and the middle of CONTROL, clicked through injected
// input for the modal loop to take.
void ClickTab(HWND sheet, int index);
void Click(HWND control);
// The text of tab INDEX of TABS.
std::string TabText(HWND tabs, int index);

}  // namespace kmxtest
