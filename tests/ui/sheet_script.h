// Drives a modal property sheet from inside its own modal loop, as a user
// would: the script runs once the sheet shows, and may inject input and
// dispatch messages itself (Pump, PumpUntil, MouseAt) while the sheet stays
// open around it.
#pragma once

#include <windows.h>

#include <functional>

namespace kmxtest {

// Calls RUN_SHEET, which shows a modal sheet and returns its result, and runs
// SCRIPT with the sheet's window once the sheet shows. A sheet the script
// leaves open is cancelled (and the test fails), so that a failed script
// never hangs the test. RUN_SHEET's result.
INT_PTR RunSheetScript(const std::function<INT_PTR()>& run_sheet,
                       const std::function<void(HWND sheet)>& script);

// Whether SHEET has been ended by OK or Cancel (or is gone).
bool SheetEnded(HWND sheet);

}  // namespace kmxtest
