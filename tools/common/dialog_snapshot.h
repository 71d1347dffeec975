// The driver's dialogs as the tools show them: on the display, or, with a
// picture path, written as a PNG file once shown and then closed, with no
// display needed.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace kmxtool {

// A UsageError unless a display can show the dialog or a picture is asked
// for.
void RequireDisplayOr(const std::optional<std::string>& picture);

// Runs SHOW, which shows a modal dialog on this thread. With PICTURE, the
// dialog is written there once it shows and then closed with BUTTON (IDOK
// keeps what it shows, IDCANCEL leaves everything); a Failure when it could
// not be written.
void RunDialog(const std::function<void()>& show, const std::optional<std::string>& picture,
               int button);

}  // namespace kmxtool
