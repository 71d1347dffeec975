#include "ui/video_source_sheet.h"

#include <kmx512u/kmxpi.h>

#include "ui/advanced_page.h"
#include "ui/language_table.h"
#include "ui/property_sheet.h"
#include "ui/standard_page.h"
#include "ui/zoom_page.h"

namespace kmx::ui {

void ShowVideoSourceDialog(HWND parent, CameraConnection& connection, bool rgb24) {
    StandardPage standard;
    AdvancedPage advanced;
    ZoomPage zoom(rgb24);
    CameraPage* const pages[] = {&standard, &advanced, &zoom};
    PropertyPage* const sheet_pages[] = {&standard, &advanced, &zoom};

    DWORD connection_id = 0;
    if (ConnectionIdentity(connection, &connection_id, nullptr, nullptr) != 0) return;
    KMXPI_HANDLE handle = nullptr;
    if (KMXPI_HandleOpen(connection_id, &handle) != KMXPI_STATUS_SUCCESS) return;
    for (CameraPage* page : pages) page->SetCameraHandle(&handle);
    // OK and Cancel only: every change is already on the camera.
    RunPropertySheet(parent, GetLanguageText("VideoSource"), sheet_pages, PSH_NOAPPLYNOW);
    KMXPI_HandleClose(&handle);
}

}  // namespace kmx::ui
