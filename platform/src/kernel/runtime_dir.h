// The runtime directory (kmxwin/runtime_directory.h) as the platform's own
// services reach it.
#pragma once

#include <windows.h>

#include <string>

namespace kmxwin {

// The runtime directory, checked, with SUBDIRECTORY appended when given; the
// subdirectories are made (mode 0700) when missing. Empty with the last
// error set when it cannot be used.
std::string RuntimeDirectory(const char* subdirectory = nullptr);

// A Windows error code for an errno value.
DWORD ErrorFromErrno(int error);

}  // namespace kmxwin
