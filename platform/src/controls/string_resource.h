// String resources (RT_STRING), as titles and captions may be given by id.
#pragma once

#include <windows.h>

#include <string>

namespace kmxwin::controls {

// String ID of INSTANCE's string tables in the ANSI code page; empty when
// it has none.
std::string LoadStringResource(HINSTANCE instance, UINT id);

// TEXT itself, or the string resource of INSTANCE whose id it carries
// (MAKEINTRESOURCE), as titles and captions may be given; empty for none.
std::string TextOrStringResource(HINSTANCE instance, LPCSTR text);

}  // namespace kmxwin::controls
