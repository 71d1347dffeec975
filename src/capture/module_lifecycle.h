// The module's start and exit, run once per process by the library's entry
// point on process attach and detach.
#pragma once

#include <windows.h>

#include "ui/application.h"

namespace kmx {

// The library's application object: its start builds the process-wide
// state, its exit ends it in reverse dependency order.
class DriverApp : public ui::Application {
  public:
    BOOL Start() override;
    BOOL Exit() override;
};

// Starts the window framework, then the library's application object. The
// result decides whether the library loads (0 makes the load fail).
BOOL DriverAppStart();

// Ends the application object, then the window framework.
BOOL DriverAppExit();

}  // namespace kmx
