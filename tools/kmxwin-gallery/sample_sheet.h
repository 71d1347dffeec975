// The gallery's sample property sheet: three pages from the sample
// resources (a picture page of trackbars, an options page of radio buttons,
// a drop-down list and an edit, a zoom page with a custom control), as a
// camera's settings sheet looks.
#pragma once

#include <windows.h>
#include <commctrl.h>

// The sample's page titles, in page order.
inline constexpr const char* kSamplePageNames[] = {"picture", "options", "zoom"};

// Registers what the samples need (the common controls, the preview
// control); false when a class cannot be registered.
bool PrepareSamples();

// Runs the sample sheet, owned by OWNER; CALLBACK, when given, gets the
// sheet's PSCB_ messages. PropertySheetA's result.
INT_PTR ShowSampleSheet(HWND owner, PFNPROPSHEETCALLBACK callback);

// The sample dialog with every control (modeless, visible), or nullptr.
HWND CreateControlsDialog(HWND owner);
// The same, modal, until it is closed.
INT_PTR RunControlsDialog();
