// The gallery's sample property sheet: three pages from the sample
// resources (a picture page of trackbars, an options page of radio buttons,
// a drop-down list and an edit, a zoom page with a custom control), as a
// camera's settings sheet looks.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>

// The sample's page titles, in page order.
inline constexpr const char* kSamplePageNames[] = {"picture", "options", "zoom"};

// Registers what the samples need (the common controls, the preview
// control); false when a class cannot be registered.
bool PrepareSamples();

// Runs the sample sheet, owned by OWNER, until the user closes it.
// PropertySheetA's result.
INT_PTR ShowSampleSheet(HWND owner);

// Runs the sample sheet without a user: once it shows, ACTION runs inside
// its modal loop with the sheet's window, then the sheet is cancelled.
// PropertySheetA's result.
INT_PTR RunSampleSheetWith(const std::function<void(HWND sheet)>& action);

// The sample dialog with every control (modeless, visible), or nullptr.
HWND CreateControlsDialog(HWND owner);
// The same, modal, until it is closed.
INT_PTR RunControlsDialog();
