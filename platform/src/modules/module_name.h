// How a Windows module name names one of our files.
#pragma once

#include <string>

namespace kmxwin {

struct ModuleFileName {
    std::string file;  // a full path when has_path
    bool has_path;     // the name held a '/' or '\'
};

// "X.dll" (the extension in any case) and "X" name the shared object "X.so";
// "X." names the file "X", as a trailing dot stops Windows appending ".dll";
// other extensions stay. Backslashes become slashes, and a path is made a
// full one, a relative path being taken from the current directory.
ModuleFileName TranslateModuleName(const char* name);

}  // namespace kmxwin
