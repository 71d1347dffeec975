// The version check of the debug interface: the kernel driver must speak
// the interface version the library speaks.
#include <kmxrecords/camera_commands.h>
#include <kmx512u/kmxdebug.h>

#include "debug/debug_command.h"

#include <cstring>

namespace {

constexpr char kLibraryVersion[] = "2.21.00.01";

}  // namespace

extern "C" DWORD KMXDebug_GetVersion(WORD* version, DWORD* word, LPSTR text, DWORD size) try {
    DWORD words[3] = {0, 0, 0};
    DWORD status =
        kmx::SendDebugCommand(INVALID_HANDLE_VALUE, kmx::kDebugVersionCode, &words, nullptr, 0);
    if (status != KMXDEBUG_STATUS_SUCCESS) return status;
    if (words[0] != 0 || LOWORD(words[1]) != kmx::kDriverInterfaceVersion)
        return KMXDEBUG_STATUS_VERSION_MISMATCH;
    if (version) *version = kmx::kDriverInterfaceVersion;
    if (word) *word = 0;
    if (!text) return KMXDEBUG_STATUS_SUCCESS;
    if (size < sizeof kLibraryVersion) return KMXDEBUG_STATUS_BUFFER_TOO_SMALL;
    memcpy(text, kLibraryVersion, sizeof kLibraryVersion);
    return KMXDEBUG_STATUS_SUCCESS;
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}
