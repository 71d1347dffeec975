#include "ui/camera_text.h"

#include <algorithm>
#include <cstring>

namespace kmx::ui {

std::optional<std::string> ReadCameraText(KMXPI_HANDLE handle) {
    char text[kCameraTextBytes] = {};
    if (KMXPI_PropertyGet(handle, &KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_INFORMATION_TEXT, sizeof text,
                          text) != KMXPI_STATUS_SUCCESS)
        return std::nullopt;
    return std::string(text, strnlen(text, sizeof text));
}

DWORD WriteCameraText(KMXPI_HANDLE handle, const std::string& text) {
    char stored[kCameraTextBytes] = {};
    std::memcpy(stored, text.data(), std::min<size_t>(text.size(), sizeof stored - 1));
    return KMXPI_PropertySet(handle, &KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_INFORMATION_TEXT,
                             sizeof stored, stored);
}

std::string WindowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(size_t(std::max(length, 0)) + 1, '\0');
    int copied = GetWindowTextA(window, text.data(), int(text.size()));
    text.resize(size_t(std::max(copied, 0)));
    return text;
}

}  // namespace kmx::ui
