#include "capture/module_lifecycle.h"

#include "api/interface_state.h"
#include "capture/channel_instances.h"
#include "capture/device_list.h"
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
    // Nothing here refuses the load: a missing key or mutex leaves its
    // feature empty.
    ReadDebugFlags();
    StartInterface();
    InitializeDeviceList();
    CreateRegistryMutex();
    return BaseStart();
}

BOOL DriverAppExit() {
    // And leaves here, in reverse order.
    StopInterface();
    CloseAllDevices();
    CloseRegistryMutex();
    return BaseExit();
}

}  // namespace kmx
