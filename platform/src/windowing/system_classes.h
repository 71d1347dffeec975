// The window classes every process has: the controls and the dialog class.
#pragma once

#include "windowing/window_class.h"

#include <vector>

namespace kmxwin::win {

std::vector<WindowClass> SystemClasses();

}  // namespace kmxwin::win
