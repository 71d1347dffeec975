// The debug interface's status codes are their own texts, as the
// programming interface's are.
#include <kmx512u/kmxdebug.h>

#include <kmxwin/trace.h>

#include <cstring>

namespace {

struct DebugStatusText {
    DWORD status;
    const char* text;
};

#define KMX_DEBUG_STATUS_TEXT(name) \
    { name, #name }
constexpr DebugStatusText kDebugStatusTexts[] = {
    KMX_DEBUG_STATUS_TEXT(KMXDEBUG_STATUS_SUCCESS),
    KMX_DEBUG_STATUS_TEXT(KMXDEBUG_STATUS_BAD_PARAMETER),
    KMX_DEBUG_STATUS_TEXT(KMXDEBUG_STATUS_BUFFER_TOO_SMALL),
    KMX_DEBUG_STATUS_TEXT(KMXDEBUG_STATUS_NOT_IMPLEMENTED),
    KMX_DEBUG_STATUS_TEXT(KMXDEBUG_STATUS_ALLOC_FAILED),
    KMX_DEBUG_STATUS_TEXT(KMXDEBUG_STATUS_OPERATION_FAILED),
    KMX_DEBUG_STATUS_TEXT(KMXDEBUG_STATUS_DRIVER_NOT_FOUND),
    KMX_DEBUG_STATUS_TEXT(KMXDEBUG_STATUS_DEVICE_NOT_FOUND),
    KMX_DEBUG_STATUS_TEXT(KMXDEBUG_STATUS_DEVICE_REMOVED),
    KMX_DEBUG_STATUS_TEXT(KMXDEBUG_STATUS_INVALID_HANDLE),
    KMX_DEBUG_STATUS_TEXT(KMXDEBUG_STATUS_RELEASE_DRIVER),
    KMX_DEBUG_STATUS_TEXT(KMXDEBUG_STATUS_UNKNOWN_FLAG),
    KMX_DEBUG_STATUS_TEXT(KMXDEBUG_STATUS_UNKNOWN_CODE),
    KMX_DEBUG_STATUS_TEXT(KMXDEBUG_STATUS_VERSION_MISMATCH),
    KMX_DEBUG_STATUS_TEXT(KMXDEBUG_STATUS_UNKNOWN_FLAG_BLOCK),
};
#undef KMX_DEBUG_STATUS_TEXT

}  // namespace

KMX_TRACED(api, DWORD, KMXDebug_GetStatusText, (DWORD, status), (LPSTR, text), (DWORD, size)) {
    for (const DebugStatusText& entry : kDebugStatusTexts) {
        if (entry.status != status) continue;
        // A tool that passes no buffer gets told so rather than a crash.
        if (!text) return KMXDEBUG_STATUS_BAD_PARAMETER;
        size_t needed = strlen(entry.text) + 1;
        if (size < needed) return KMXDEBUG_STATUS_BUFFER_TOO_SMALL;
        memcpy(text, entry.text, needed);
        return KMXDEBUG_STATUS_SUCCESS;
    }
    return KMXDEBUG_STATUS_UNKNOWN_CODE;
}
