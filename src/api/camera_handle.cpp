// Opening and closing camera handles. Each handle has a watcher thread that
// closes its device when the driver reports the camera's removal, so that
// every later command on it answers CAMERA_REMOVED at once.
#include "api/camera_handle.h"

#include "api/interface_state.h"
#include "device/kernel_channel.h"

#include <mutex>
#include <new>
#include <vector>

namespace kmx {
namespace {

// Handle numbers of this process, for the capture lock record; never 0.
volatile LONG g_last_handle_number;

// The handles open in this process, so that module end can let their
// cameras go.
std::mutex g_open_lock;
std::vector<KMXPI_CAMERA*> g_open;

// Ends with the handle, or at module end (which sets the stop events of
// the handles left open), so that no thread runs the module's code once it
// has gone.
DWORD WINAPI Watcher(LPVOID parameter) try {
    auto* camera = static_cast<KMXPI_CAMERA*>(parameter);
    HANDLE events[] = {camera->removal_event, camera->stop_event};
    if (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0)
        CloseCameraDevice(camera);
    return 0;
} catch (...) {
    return 0;  // the handle goes on without its removal watch
}

void CloseEvent(HANDLE* event) {
    if (*event) CloseHandle(*event);
    *event = nullptr;
}

// Lists CAMERA among the open handles; false when the list cannot grow.
bool ListOpen(KMXPI_CAMERA* camera) {
    std::lock_guard guard(g_open_lock);
    try {
        g_open.push_back(camera);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Ends CAMERA's watcher, lets its removal notification and its device go
// and frees it: the close of a handle, or the undoing of an open that
// failed half way.
void DestroyCamera(KMXPI_CAMERA* camera) {
    if (camera->watcher) {
        // The record goes away below: the watcher must have let go of it.
        // It ends at once unless it is closing the device after a removal.
        SetEvent(camera->stop_event);
        WaitForSingleObject(camera->watcher, INFINITE);
        CloseHandle(camera->watcher);
    }
    CloseEvent(&camera->stop_event);
    if (camera->removal_event) KMXPI_NotificationClear(camera, camera->removal_event);
    CloseEvent(&camera->removal_event);
    ReleaseCameraDevice(camera);
    {
        std::lock_guard guard(g_open_lock);
        std::erase(g_open, camera);
    }
    delete camera;
}

}  // namespace

void CloseOpenCameras() {
    std::lock_guard guard(g_open_lock);
    for (KMXPI_CAMERA* camera : g_open) {
        if (camera->stop_event) SetEvent(camera->stop_event);
        ReleaseCameraDevice(camera);
    }
}

}  // namespace kmx

using namespace kmx;

extern "C" DWORD KMXPI_HandleOpen(DWORD connection_id, KMXPI_HANDLE* handle) try {
    if (connection_id == 0) return KMXPI_STATUS_BAD_PARAMETER;
    if (!handle) return KMXPI_STATUS_NULL_POINTER;
    *handle = nullptr;
    auto* camera = new (std::nothrow) KMXPI_CAMERA{};
    if (!camera) return KMXPI_STATUS_ALLOC_FAILED;
    camera->device = camera->retired = INVALID_HANDLE_VALUE;
    try {
        if (!OpenCamera(&camera->device, connection_id, false, nullptr)) {
            delete camera;
            return KMXPI_STATUS_CAMERA_NOT_FOUND;
        }
        camera->connection_id = connection_id;
        do {
            camera->number = static_cast<DWORD>(InterlockedIncrement(&g_last_handle_number));
        } while (camera->number == 0);
        camera->removal_event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        camera->stop_event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        KMXPI_NotificationSet(camera, &KMXPI_NOTIFYSET_CAMERA, KMXPI_NOTIFY_REMOVAL,
                              camera->removal_event);
        camera->watcher = CreateThread(nullptr, 0, Watcher, camera, 0, nullptr);
        // A watcher that module end could not wait for must not run.
        if ((camera->watcher && !TrackThread(camera->watcher)) || !ListOpen(camera)) {
            DestroyCamera(camera);
            return KMXPI_STATUS_ALLOC_FAILED;
        }
    } catch (...) {
        DestroyCamera(camera);
        throw;
    }
    *handle = camera;
    return KMXPI_STATUS_SUCCESS;
} catch (...) {
    return KMXPI_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXPI_HandleClose(KMXPI_HANDLE* handle) try {
    if (!handle) return KMXPI_STATUS_NULL_POINTER;
    KMXPI_CAMERA* camera = *handle;
    if (!camera) return KMXPI_STATUS_BAD_PARAMETER;
    if (CaptureLockRecord* record = TakeLockRecord()) {
        if (record->owner_handle == camera->number &&
            record->owner_process == GetCurrentProcessId())
            record->Clear();
        ReleaseLockRecord();
    }
    *handle = nullptr;
    DestroyCamera(camera);
    return KMXPI_STATUS_SUCCESS;
} catch (...) {
    return KMXPI_STATUS_ALLOC_FAILED;
}
