// capGetDriverDescriptionA: what a capture application lists as the capture
// drivers installed under the aliases "msvideo" to "msvideo9".
#include <windows.h>
#include <vfw.h>

#include <kmxwin/driver_registry.h>

#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "multimedia/driver_registry.h"

namespace {

// TEXT into BUFFER (SIZE bytes), cut to fit and terminated; nothing for
// size 0.
void CopyCut(const std::string& text, LPSTR buffer, int size) {
    if (size <= 0 || !buffer) return;
    size_t length = std::min(text.size(), static_cast<size_t>(size) - 1);
    memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

}  // namespace

extern "C" {

BOOL WINAPI capGetDriverDescriptionA(UINT wDriverIndex, LPSTR lpszName, int cbName, LPSTR lpszVer,
                                     int cbVer) {
    using namespace kmxwin;
    if (wDriverIndex >= KMXWIN_CAPTURE_DRIVER_SLOTS) return FALSE;
    try {
        std::optional<std::string> installed =
            ReadDriverValue(KMXWIN_DRIVERS32_SECTION, CaptureDriverAlias(wDriverIndex));
        if (!installed) return FALSE;
        std::string module = SplitDriverCommand(*installed).module;
        if (module.empty()) return FALSE;
        std::optional<std::string> description =
            ReadDriverValue(KMXWIN_DRIVER_DESCRIPTIONS_SECTION, module);
        CopyCut(description.value_or(module), lpszName, cbName);
        CopyCut("", lpszVer, cbVer);
        return TRUE;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

}  // extern "C"
