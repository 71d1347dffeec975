// What the dialog manager keeps for a dialog window.
#pragma once

#include <windows.h>

namespace kmxwin::win {

struct DialogData {};

}  // namespace kmxwin::win
