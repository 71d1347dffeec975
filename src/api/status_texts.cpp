// The interface's status codes are their own texts: a program that logs a
// failure shows the name it would look up in the header.
#include <kmx512u/kmxpi.h>

#include <kmxwin/trace.h>

#include <cstring>

namespace {

struct StatusText {
    DWORD status;
    const char* text;
};

#define KMX_STATUS_TEXT(name) \
    { name, #name }
constexpr StatusText kStatusTexts[] = {
    KMX_STATUS_TEXT(KMXPI_STATUS_SUCCESS),
    KMX_STATUS_TEXT(KMXPI_STATUS_INVALID_STATUS),
    KMX_STATUS_TEXT(KMXPI_STATUS_BAD_PARAMETER),
    KMX_STATUS_TEXT(KMXPI_STATUS_BUFFER_TOO_SMALL),
    KMX_STATUS_TEXT(KMXPI_STATUS_BUFFER_TOO_LARGE),
    KMX_STATUS_TEXT(KMXPI_STATUS_NULL_POINTER),
    KMX_STATUS_TEXT(KMXPI_STATUS_ALLOC_FAILED),
    KMX_STATUS_TEXT(KMXPI_STATUS_DRIVER_VERSION_MISMATCH),
    KMX_STATUS_TEXT(KMXPI_STATUS_ALREADY_LOCKED),
    KMX_STATUS_TEXT(KMXPI_STATUS_NOT_IMPLEMENTED),
    KMX_STATUS_TEXT(KMXPI_STATUS_CAMERA_NOT_FOUND),
    KMX_STATUS_TEXT(KMXPI_STATUS_CAMERA_REMOVED),
    KMX_STATUS_TEXT(KMXPI_STATUS_CAMERA_ERROR),
    KMX_STATUS_TEXT(KMXPI_STATUS_BAD_GUID),
    KMX_STATUS_TEXT(KMXPI_STATUS_BAD_ID),
    KMX_STATUS_TEXT(KMXPI_STATUS_IN_USE),
};
#undef KMX_STATUS_TEXT

const char* TextOf(DWORD status) {
    for (const StatusText& entry : kStatusTexts)
        if (entry.status == status) return entry.text;
    return "";
}

}  // namespace

KMX_TRACED(api, DWORD, KMXPI_GetVersion, (WORD*, version)) {
    if (version) *version = KMXPI_INTERFACE_VERSION;
    return KMXPI_STATUS_SUCCESS;
}

KMX_TRACED(api, DWORD, KMXPI_GetErrorText, (DWORD, status), (LPSTR, buffer), (DWORD, size)) {
    const char* text = TextOf(status);
    if (!buffer) return KMXPI_STATUS_NULL_POINTER;
    size_t needed = strlen(text) + 1;
    if (size < needed) return KMXPI_STATUS_BUFFER_TOO_SMALL;
    memcpy(buffer, text, needed);
    return KMXPI_STATUS_SUCCESS;
}
