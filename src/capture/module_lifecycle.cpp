#include "capture/module_lifecycle.h"

namespace kmx {
namespace {

// The application object's own start and exit: they only report success.
BOOL BaseStart() { return TRUE; }
BOOL BaseExit() { return TRUE; }

}  // namespace

BOOL DriverAppStart() {
    // The subsystems' process-wide state joins here, in dependency order.
    return BaseStart();
}

BOOL DriverAppExit() {
    // And leaves here, in reverse order.
    return BaseExit();
}

}  // namespace kmx
