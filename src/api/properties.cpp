// Camera properties: set, id and value go to the camera's driver as they
// are; the library does not interpret them.
#include "api/camera_handle.h"
#include "api/library_orientation.h"

using namespace kmx;

namespace {

DWORD SendProperty(KMXPI_HANDLE camera, DWORD code, const GUID* set, DWORD id, DWORD size,
                   void* value) {
    if (!value || !set) return KMXPI_STATUS_NULL_POINTER;
    if (size == 0 || !camera) return KMXPI_STATUS_BAD_PARAMETER;
    InterfaceHeader header{};
    header.set = *set;
    header.id = id;
    header.length = size;
    return SendHandleCommand(camera, code, header, value, size);
}

}  // namespace

extern "C" DWORD KMXPI_PropertySet(KMXPI_HANDLE camera, const GUID* set, DWORD id, DWORD size,
                                   void* value) try {
    DWORD status = SendProperty(camera, kPropertySetCode, set, id, size, value);
    // The frame path reads the library's own flip and mirror from memory.
    if (status == KMXPI_STATUS_SUCCESS)
        NoteImageSetting(camera->connection_id, *set, id, size, value);
    return status;
} catch (...) {
    return KMXPI_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXPI_PropertyGet(KMXPI_HANDLE camera, const GUID* set, DWORD id, DWORD size,
                                   void* value) try {
    return SendProperty(camera, kPropertyGetCode, set, id, size, value);
} catch (...) {
    return KMXPI_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXPI_PropertyDefault(KMXPI_HANDLE camera, const GUID* set, DWORD id) try {
    if (!camera) return KMXPI_STATUS_BAD_PARAMETER;
    if (!set) return KMXPI_STATUS_NULL_POINTER;
    InterfaceHeader header{};
    header.set = *set;
    header.id = id;
    return SendHandleCommand(camera, kPropertyDefaultCode, header, nullptr, 0);
} catch (...) {
    return KMXPI_STATUS_ALLOC_FAILED;
}
