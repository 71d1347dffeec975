// The camera information text that both settings dialogs show and edit:
// 32 bytes in the camera, read with or without a terminator, written with
// one. And the text of a dialog's control, which both read back.
#pragma once

#include <windows.h>

#include <kmx512u/kmxpi.h>

#include <optional>
#include <string>

namespace kmx::ui {

inline constexpr DWORD kCameraTextBytes = 32;

// The camera's text, cut at its terminator or, when it fills all 32 bytes,
// after them; nullopt when it cannot be read.
std::optional<std::string> ReadCameraText(KMXPI_HANDLE handle);

// Stores at most 31 characters of TEXT, zero-terminated; the status.
DWORD WriteCameraText(KMXPI_HANDLE handle, const std::string& text);

// The whole text of WINDOW.
std::string WindowText(HWND window);

}  // namespace kmx::ui
