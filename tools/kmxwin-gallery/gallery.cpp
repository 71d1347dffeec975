// kmxwin-gallery: a look at the window system. It shows a dialog with every
// control and, from its button, a sample property sheet, on the display; or
// writes pictures of them as PNG files.
#include <windows.h>
#include <commctrl.h>
#include <kmxwin/window_snapshot.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "sample_sheet.h"

namespace {

constexpr char kUsage[] =
    "usage: kmxwin-gallery [--snapshot DIR]\n"
    "\n"
    "Shows a dialog with every control on the display; its \"Property Sheet...\"\n"
    "button opens the sample property sheet.\n"
    "\n"
    "  --snapshot DIR  write the pictures instead, with no display needed:\n"
    "                  DIR/controls.png and DIR/sheet-<page>.png for each page\n"
    "                  of the sheet (picture, options, zoom)\n";

std::string g_directory;
bool g_written = true;

// Everything waiting to be painted or handled, so that the picture shows
// the windows as they settled.
void Settle() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Picture(HWND window, const char* name) {
    Settle();
    std::string path = g_directory + "/" + name + ".png";
    if (!KmxWinSnapshotWindow(window, path.c_str())) {
        fprintf(stderr, "kmxwin-gallery: cannot write %s (error %lu)\n", path.c_str(),
                static_cast<unsigned long>(GetLastError()));
        g_written = false;
    }
}

// A picture of each page of the sample sheet.
void PictureSheet(HWND sheet) {
    int index = 0;
    for (const char* name : kSamplePageNames) {
        PropSheet_SetCurSel(sheet, nullptr, index++);
        Picture(sheet, (std::string("sheet-") + name).c_str());
    }
}

int WriteSnapshots() {
    HWND controls = CreateControlsDialog(nullptr);
    if (!controls) {
        fprintf(stderr, "kmxwin-gallery: cannot make the controls dialog\n");
        return 1;
    }
    Picture(controls, "controls");
    DestroyWindow(controls);
    if (RunSampleSheetWith(PictureSheet) < 0) {
        fprintf(stderr, "kmxwin-gallery: cannot make the sample property sheet\n");
        return 1;
    }
    return g_written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    bool snapshot = false;
    for (int index = 1; index < argc; ++index) {
        if (!strcmp(argv[index], "--help") || !strcmp(argv[index], "-h")) {
            fputs(kUsage, stdout);
            return 0;
        }
        if (!strcmp(argv[index], "--snapshot") && index + 1 < argc) {
            snapshot = true;
            g_directory = argv[++index];
            continue;
        }
        fputs(kUsage, stderr);
        return 2;
    }
    if (!PrepareSamples()) {
        fprintf(stderr, "kmxwin-gallery: cannot register the controls\n");
        return 1;
    }
    if (snapshot) return WriteSnapshots();
    if (strcmp(KmxWinDisplayName(), "x11") != 0) {
        fprintf(stderr,
                "kmxwin-gallery: no display to show the gallery on; write pictures with "
                "--snapshot DIR\n");
        return 1;
    }
    return RunControlsDialog() < 0 ? 1 : 0;
}
