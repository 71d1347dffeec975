// InitCommonControlsEx: the registration of the common controls' classes.
#include "controls/control_classes.h"
#include "controls/control_window.h"

#include <commctrl.h>

#include <dlfcn.h>
#include <link.h>

#include <mutex>

namespace kmxwin::controls {
namespace {

struct ControlClass {
    DWORD icc;  // the InitCommonControlsEx flag that registers it
    const char* name;
    WNDPROC procedure;
    UINT style;
};

// CS_GLOBALCLASS: every module of the process, dialog templates included,
// finds them by name.
constexpr ControlClass kControlClasses[] = {
    {ICC_BAR_CLASSES, TRACKBAR_CLASSA, TrackbarProcedure, CS_GLOBALCLASS | CS_DBLCLKS},
    {ICC_TAB_CLASSES, WC_TABCONTROLA, TabControlProcedure,
     CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW},
};

// The classes belong to the module the controls live in, as Windows' belong
// to the common controls' library, so that no program's own class of the
// same name stands in their way.
HINSTANCE ControlsModule() {
    Dl_info info;
    link_map* map = nullptr;
    static const int anchor = 0;
    if (!dladdr1(&anchor, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP)) return nullptr;
    return reinterpret_cast<HINSTANCE>(map);
}

std::mutex& RegistrationLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

bool RegisterControlClasses(DWORD icc) {
    std::lock_guard lock(RegistrationLock());
    HINSTANCE module = ControlsModule();
    bool registered = true;
    for (const ControlClass& control : kControlClasses) {
        if (!(icc & control.icc)) continue;
        WNDCLASSA existing;
        if (GetClassInfoA(module, control.name, &existing) &&
            existing.lpfnWndProc == control.procedure)
            continue;
        WNDCLASSA window_class{};
        window_class.style = control.style;
        window_class.lpfnWndProc = control.procedure;
        window_class.cbWndExtra = ControlWindow::kWindowExtra;
        window_class.hInstance = module;
        window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        window_class.lpszClassName = control.name;
        if (!RegisterClassA(&window_class)) registered = false;
    }
    return registered;
}

}  // namespace kmxwin::controls

using namespace kmxwin::controls;

extern "C" {

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) {
    if (!picce || picce->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return RegisterControlClasses(picce->dwICC);
}

void WINAPI InitCommonControls(void) {
    RegisterControlClasses(ICC_WIN95_CLASSES);
}

}  // extern "C"
