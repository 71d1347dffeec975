#include "capture/module_lifecycle.h"

#include "api/interface_state.h"
#include "debug/debug_flags.h"
#include "device/kernel_channel.h"

namespace kmx {
namespace {

// The application object's own start and exit: they only report success.
BOOL BaseStart() {
    return TRUE;
}
BOOL BaseExit() {
    return TRUE;
}

}  // namespace

BOOL DriverAppStart() {
    // The subsystems' process-wide state joins here, in dependency order.
    // The debug flags are read before the language file is loaded.
    ReadDebugFlags();
    // Without the registry access mutex the camera list is refreshed
    // unguarded; that is no reason to refuse the load.
    CreateRegistryMutex();
    // Without the capture lock the interface still serves everything else.
    StartInterface();
    return BaseStart();
}

BOOL DriverAppExit() {
    // And leaves here, in reverse order.
    StopInterface();
    CloseRegistryMutex();
    return BaseExit();
}

}  // namespace kmx
