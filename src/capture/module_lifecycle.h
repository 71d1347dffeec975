// The module's start and exit, run once per process by the library's entry
// point on process attach and detach.
#pragma once

#include <windows.h>

namespace kmx {

// Starts the process-wide state. The result decides whether the library
// loads (0 makes the load fail).
BOOL DriverAppStart();

// Ends the process-wide state in reverse dependency order.
BOOL DriverAppExit();

}  // namespace kmx
