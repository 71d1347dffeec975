#include "windowing/system_classes.h"

#include "windowing/control_procs.h"

namespace kmxwin::win {
namespace {

WindowClass Make(ATOM atom, const char* name, UINT style, WNDPROC proc, int extra, LPCSTR cursor) {
    WindowClass made;
    made.atom = atom;
    made.name = name;
    made.style = style;
    made.proc = proc;
    made.window_extra = extra;
    made.cursor = LoadCursorA(nullptr, cursor);
    return made;
}

}  // namespace

std::vector<WindowClass> SystemClasses() {
    constexpr int kStatePointer = sizeof(void*);
    constexpr UINT kControl = CS_DBLCLKS | CS_PARENTDC;
    return {
        Make(kDialogAtom, kDialogClass, CS_DBLCLKS | CS_SAVEBITS, DefDlgProcA, DLGWINDOWEXTRA,
             IDC_ARROW),
        Make(0x8010, kButtonClass, kControl | CS_HREDRAW | CS_VREDRAW, ButtonProc, kStatePointer,
             IDC_ARROW),
        Make(0x8011, kStaticClass, kControl, StaticProc, kStatePointer, IDC_ARROW),
        Make(0x8012, kEditClass, kControl, EditProc, kStatePointer, IDC_IBEAM),
        Make(0x8013, kComboBoxClass, kControl | CS_HREDRAW | CS_VREDRAW, ComboBoxProc,
             kStatePointer, IDC_ARROW),
        Make(0x8014, kComboListClass, CS_DBLCLKS | CS_SAVEBITS, ComboListProc, 0, IDC_ARROW),
    };
}

}  // namespace kmxwin::win
