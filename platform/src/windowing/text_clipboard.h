// The text that the edit controls cut, copy and paste: one clipboard for
// the process (the window system has no clipboard formats or global memory
// to offer applications).
#pragma once

#include <string>

namespace kmxwin::win {

void PutClipboardText(std::string text);
std::string ClipboardText();

}  // namespace kmxwin::win
