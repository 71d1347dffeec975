#include "sample_sheet.h"

#include "gallery_resources.h"
#include "preview_control.h"

#include <prsht.h>

#include <initializer_list>

namespace {

HINSTANCE Instance() {
    return GetModuleHandleA(nullptr);
}

void SetRange(HWND page, int id, int min, int max, int position, int page_size) {
    SendDlgItemMessageA(page, id, TBM_SETRANGE, FALSE, MAKELPARAM(min, max));
    SendDlgItemMessageA(page, id, TBM_SETPAGESIZE, 0, page_size);
    SendDlgItemMessageA(page, id, TBM_SETPOS, TRUE, position);
}

// Each picture trackbar shows its value in the label beside it.
constexpr struct {
    int trackbar;
    int value;
    int initial;
} kPictureSliders[] = {{IDC_BRIGHTNESS, IDC_BRIGHTNESS_VALUE, 128},
                       {IDC_CONTRAST, IDC_CONTRAST_VALUE, 96},
                       {IDC_SATURATION, IDC_SATURATION_VALUE, 160}};

void ShowValues(HWND page) {
    for (const auto& slider : kPictureSliders)
        SetDlgItemInt(
            page, slider.value,
            static_cast<UINT>(SendDlgItemMessageA(page, slider.trackbar, TBM_GETPOS, 0, 0)), FALSE);
}

void ResetPicture(HWND page) {
    for (const auto& slider : kPictureSliders)
        SetRange(page, slider.trackbar, 0, 255, slider.initial, 16);
    CheckDlgButton(page, IDC_MIRROR, BST_UNCHECKED);
    ShowValues(page);
}

INT_PTR CALLBACK PicturePage(HWND page, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            ResetPicture(page);
            return TRUE;
        case WM_HSCROLL:
            ShowValues(page);
            PropSheet_Changed(GetParent(page), page);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDC_DEFAULTS) ResetPicture(page);
            if (LOWORD(wparam) == IDC_DEFAULTS || LOWORD(wparam) == IDC_MIRROR)
                PropSheet_Changed(GetParent(page), page);
            return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK OptionsPage(HWND page, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            CheckRadioButton(page, IDC_SPEED, IDC_QUALITY, IDC_BALANCED);
            SendDlgItemMessageA(page, IDC_FREQUENCY, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>("50 Hz"));
            SendDlgItemMessageA(page, IDC_FREQUENCY, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>("60 Hz"));
            SendDlgItemMessageA(page, IDC_FREQUENCY, CB_SETCURSEL, 0, 0);
            SetDlgItemTextA(page, IDC_NAME, "Camera 1");
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wparam) == BN_CLICKED || HIWORD(wparam) == CBN_SELCHANGE ||
                HIWORD(wparam) == EN_CHANGE)
                PropSheet_Changed(GetParent(page), page);
            return TRUE;
    }
    return FALSE;
}

void ShowZoom(HWND page) {
    int zoom = static_cast<int>(SendDlgItemMessageA(page, IDC_ZOOM, TBM_GETPOS, 0, 0));
    SetDlgItemInt(page, IDC_ZOOM_VALUE, zoom, FALSE);
    SendDlgItemMessageA(page, IDC_PREVIEW, PREVIEW_SETZOOM, zoom, 0);
}

INT_PTR CALLBACK ZoomPage(HWND page, UINT message, WPARAM, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SetRange(page, IDC_ZOOM, 0, 4, 1, 1);
            ShowZoom(page);
            return TRUE;
        case WM_VSCROLL:
            ShowZoom(page);
            PropSheet_Changed(GetParent(page), page);
            return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK ControlsDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            CheckDlgButton(dialog, IDC_CHECK, BST_CHECKED);
            CheckRadioButton(dialog, IDC_RADIO_ONE, IDC_RADIO_TWO, IDC_RADIO_ONE);
            SetDlgItemTextA(dialog, IDC_EDIT, "Edit control");
            for (const char* item : {"First item", "Second item", "Third item"})
                SendDlgItemMessageA(dialog, IDC_COMBO, CB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(item));
            SendDlgItemMessageA(dialog, IDC_COMBO, CB_SETCURSEL, 1, 0);
            SetRange(dialog, IDC_TRACK_TICKS, 0, 10, 3, 2);
            SetRange(dialog, IDC_TRACK_BOTH, 0, 10, 7, 2);
            SetRange(dialog, IDC_TRACK_DISABLED, 0, 10, 5, 2);
            SetRange(dialog, IDC_TRACK_VERTICAL, 0, 5, 2, 1);
            HWND tabs = GetDlgItem(dialog, IDC_TABS);
            int index = 0;
            for (const char* name : {"General", "Video", "Audio"}) {
                TCITEMA item{};
                item.mask = TCIF_TEXT;
                item.pszText = const_cast<char*>(name);
                TabCtrl_InsertItem(tabs, index++, &item);
            }
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wparam) == IDC_OPEN_SHEET) ShowSampleSheet(dialog);
            if (LOWORD(wparam) == IDCANCEL) {
                // Modal or not, the dialog ends here.
                if (!EndDialog(dialog, IDCANCEL)) DestroyWindow(dialog);
            }
            return TRUE;
    }
    return FALSE;
}

INT_PTR RunSheet(HWND owner, PFNPROPSHEETCALLBACK callback) {
    PROPSHEETPAGEA pages[3]{};
    const struct {
        int id;
        DLGPROC procedure;
    } kPages[] = {{IDD_PAGE_PICTURE, PicturePage},
                  {IDD_PAGE_OPTIONS, OptionsPage},
                  {IDD_PAGE_ZOOM, ZoomPage}};
    for (int index = 0; index < 3; ++index) {
        pages[index].dwSize = sizeof pages[index];
        pages[index].hInstance = Instance();
        pages[index].pszTemplate = MAKEINTRESOURCEA(kPages[index].id);
        pages[index].pfnDlgProc = kPages[index].procedure;
    }
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | (callback ? PSH_USECALLBACK : 0);
    header.hwndParent = owner;
    header.hInstance = Instance();
    header.pszCaption = "Sample Camera Properties";
    header.nPages = 3;
    header.ppsp = pages;
    header.pfnCallback = callback;
    return PropertySheetA(&header);
}

// A run without a user. The sheet's callback learns of the sheet before it
// shows, so it posts a message to a hidden window of ours: that message
// comes out of the sheet's own modal loop once the sheet is on screen.
constexpr char kRunnerClass[] = "KmxGallerySheetRunner";
constexpr UINT kRunNow = WM_APP;

struct SheetRun {
    const std::function<void(HWND)>* action;
    HWND runner;
    HWND sheet;
};
thread_local SheetRun* t_run = nullptr;

int CALLBACK RunnerCallback(HWND sheet, UINT message, LPARAM) {
    if (message == PSCB_INITIALIZED && t_run) {
        t_run->sheet = sheet;
        PostMessageA(t_run->runner, kRunNow, 0, 0);
    }
    return 0;
}

LRESULT CALLBACK RunnerProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == kRunNow && t_run && t_run->sheet) {
        (*t_run->action)(t_run->sheet);
        PropSheet_PressButton(t_run->sheet, PSBTN_CANCEL);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace

bool PrepareSamples() {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    if (!InitCommonControlsEx(&init)) return false;
    WNDCLASSA existing;
    if (!GetClassInfoA(Instance(), kRunnerClass, &existing)) {
        WNDCLASSA runner{};
        runner.lpfnWndProc = RunnerProcedure;
        runner.hInstance = Instance();
        runner.lpszClassName = kRunnerClass;
        if (!RegisterClassA(&runner)) return false;
    }
    return GetClassInfoA(Instance(), "KmxGalleryPreview", &existing) ||
           RegisterPreviewClass(Instance());
}

INT_PTR ShowSampleSheet(HWND owner) {
    return RunSheet(owner, nullptr);
}

INT_PTR RunSampleSheetWith(const std::function<void(HWND sheet)>& action) {
    HWND runner = CreateWindowExA(0, kRunnerClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  Instance(), nullptr);
    if (!runner) return -1;
    SheetRun run{&action, runner, nullptr};
    t_run = &run;
    INT_PTR result = RunSheet(nullptr, RunnerCallback);
    t_run = nullptr;
    DestroyWindow(runner);
    return result;
}

HWND CreateControlsDialog(HWND owner) {
    HWND dialog =
        CreateDialogParamA(Instance(), MAKEINTRESOURCEA(IDD_CONTROLS), owner, ControlsDialog, 0);
    if (dialog) ShowWindow(dialog, SW_SHOW);
    return dialog;
}

INT_PTR RunControlsDialog() {
    return DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_CONTROLS), nullptr, ControlsDialog, 0);
}
