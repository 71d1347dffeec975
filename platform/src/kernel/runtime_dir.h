// The runtime directory: where named objects, shared sections and the
// device interfaces of running camera services live.
#pragma once

#include <windows.h>

#include <string>

namespace kmxwin {

// KMX512_RUNTIME_DIR, else $XDG_RUNTIME_DIR/kmx512, else /tmp/kmx512-<uid>,
// with SUBDIRECTORY appended when given. The directories are created (mode
// 0700) when missing. Empty with the last error set when that fails.
std::string RuntimeDirectory(const char* subdirectory = nullptr);

// A Windows error code for an errno value.
DWORD ErrorFromErrno(int error);

}  // namespace kmxwin
