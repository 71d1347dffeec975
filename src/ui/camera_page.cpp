#include "ui/camera_page.h"

namespace kmx::ui {

DWORD CameraPage::Get(const GUID& set, DWORD id, DWORD size, void* value) const {
    return KMXPI_PropertyGet(handle_ ? *handle_ : nullptr, &set, id, size, value);
}

DWORD CameraPage::Set(const GUID& set, DWORD id, DWORD size, void* value) const {
    return KMXPI_PropertySet(handle_ ? *handle_ : nullptr, &set, id, size, value);
}

DWORD CameraPage::Default(const GUID& set, DWORD id) const {
    return KMXPI_PropertyDefault(handle_ ? *handle_ : nullptr, &set, id);
}

DWORD CameraPage::Written(DWORD status) const {
    if (status == KMXPI_STATUS_CAMERA_REMOVED) EndSheetAsCancel();
    return status;
}

}  // namespace kmx::ui
