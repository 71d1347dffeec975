// The dialog manager's shared pieces: a dialog's data under the lock, the
// focus moves of WM_NEXTDLGCTL, and the dialog font's units.
#pragma once

#include "windowing/dialog_data.h"

#include <windows.h>

#include <functional>

namespace kmxwin::win {

// Runs USE on HWND's dialog data under the lock; false when HWND is not a
// live dialog.
bool WithDialog(HWND hwnd, const std::function<void(DialogData&)>& use);

// Gives the focus to control HWND of a dialog, selecting all of an edit
// control's text as the dialog manager does when it moves the focus.
void SetDialogFocus(HWND control);

// The default push button's id and whether it has one.
UINT DefaultButtonId(HWND dialog);

// The average character width and the height of FONT (nullptr: the dialog
// font), the units that dialog coordinates are quarters and eighths of.
SIZE DialogFontUnits(HFONT font);

}  // namespace kmxwin::win
