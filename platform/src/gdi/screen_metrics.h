// The screen that device capabilities describe. The window system sets its
// size when a display back end starts; until then it is the headless
// default, a 1024x768 screen. The resolution is always 96 DPI.
#pragma once

#include <windows.h>

namespace kmxwin::gdi {

inline constexpr int kScreenDpi = 96;

SIZE ScreenSize();
void SetScreenSize(SIZE size);

}  // namespace kmxwin::gdi
