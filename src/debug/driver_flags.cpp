// The kernel driver's debug flags: blocks of named 32-bit flags. Tools
// number the blocks from 0; the first five are not the driver's (every
// flag function answers "release driver" for them without asking it), and
// block b from 5 on is the driver's block b - 5.
#include <kmxrecords/camera_commands.h>
#include <kmx512u/kmxdebug.h>

#include "debug/debug_command.h"

namespace {

bool IsDriverBlock(DWORD block) {
    return block >= KMXDEBUG_FIRST_DRIVER_FLAG_BLOCK;
}
DWORD DriverBlock(DWORD block) {
    return block - KMXDEBUG_FIRST_DRIVER_FLAG_BLOCK;
}

// Sends a name request into NAME (SIZE bytes). Whatever the driver left, the
// caller gets a terminated text back.
DWORD QueryName(DWORD code, DWORD (*words)[3], LPSTR name, DWORD size) {
    DWORD status = kmx::SendDebugCommand(INVALID_HANDLE_VALUE, code, words, name, size);
    if (size) name[size - 1] = '\0';
    return status;
}

}  // namespace

extern "C" DWORD KMXDebug_GetFlagName(DWORD block, DWORD flag, LPSTR name, DWORD size) try {
    // An empty buffer has no room even for the empty text.
    if (name && size) name[0] = '\0';
    if (!IsDriverBlock(block)) return KMXDEBUG_STATUS_RELEASE_DRIVER;
    if (!name) return KMXDEBUG_STATUS_SUCCESS;
    DWORD words[3] = {DriverBlock(block), flag, 0};
    return QueryName(kmx::kDebugFlagNameCode, &words, name, size);
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXDebug_GetFlagBlockName(DWORD block, LPSTR name, DWORD size) try {
    if (!name) return KMXDEBUG_STATUS_BAD_PARAMETER;
    if (!IsDriverBlock(block)) return KMXDEBUG_STATUS_RELEASE_DRIVER;
    DWORD words[3] = {DriverBlock(block), 0, 0};
    return QueryName(kmx::kDebugFlagBlockNameCode, &words, name, size);
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXDebug_GetFlagInfo(DWORD block, DWORD flag, DWORD* value) try {
    if (!IsDriverBlock(block)) return KMXDEBUG_STATUS_RELEASE_DRIVER;
    // The name request tells an unknown block from an unknown flag.
    DWORD words[3] = {DriverBlock(block), flag, 0};
    DWORD status =
        kmx::SendDebugCommand(INVALID_HANDLE_VALUE, kmx::kDebugFlagNameCode, &words, nullptr, 0);
    if (status != KMXDEBUG_STATUS_SUCCESS || !value) return status;
    status =
        kmx::SendDebugCommand(INVALID_HANDLE_VALUE, kmx::kDebugFlagInfoCode, &words, nullptr, 0);
    *value = words[2];
    return status;
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXDebug_SetFlagInfo(DWORD block, DWORD flag, DWORD value) try {
    if (!IsDriverBlock(block)) return KMXDEBUG_STATUS_RELEASE_DRIVER;
    DWORD words[3] = {DriverBlock(block), flag, value};
    return kmx::SendDebugCommand(INVALID_HANDLE_VALUE, kmx::kDebugSetFlagInfoCode, &words, nullptr,
                                 0);
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}
