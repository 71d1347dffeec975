#include "capture/module_lifecycle.h"

#include "api/interface_state.h"
#include "capture/channel_instances.h"
#include "capture/device_list.h"
#include "capture/library_module.h"
#include "debug/debug_flags.h"
#include "device/kernel_channel.h"
#include "support/registry_key.h"
#include "ui/language_choice.h"
#include "ui/language_table.h"

namespace kmx {
namespace {

DriverApp& TheDriverApp() {
    static DriverApp app;
    return app;
}

}  // namespace

BOOL DriverAppStart() {
    return ui::StartApplication(TheDriverApp());
}

BOOL DriverAppExit() {
    return ui::ExitApplication(TheDriverApp());
}

BOOL DriverApp::Start() {
    // The subsystems' process-wide state joins here, in dependency order.
    // Nothing here refuses the load: a missing key, language file or mutex
    // leaves its feature empty.
    RegistryKey user(HKEY_CURRENT_USER, kSettingsKeyPath, false, false);
    RegistryKey machine(HKEY_LOCAL_MACHINE, kSettingsKeyPath, false, true);
    // The debug flags are read before the language file is loaded.
    ReadDebugFlags();
    LoadLanguageFile(LanguageFilePath(LibraryModule()).c_str(), 0);
    SelectSavedLanguage(user, machine);
    StartInterface();
    InitializeDeviceList();
    CreateRegistryMutex();
    return Application::Start();
}

BOOL DriverApp::Exit() {
    // And leaves here, in reverse order.
    StopInterface();
    CloseAllDevices();
    FreeLanguageFile();
    CloseRegistryMutex();
    return Application::Exit();
}

}  // namespace kmx
