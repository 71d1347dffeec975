// Opening and closing camera handles. Each handle has a watcher thread that
// closes its device when the driver reports the camera's removal, so that
// every later command on it answers CAMERA_REMOVED at once.
#include "api/camera_handle.h"

#include <kmxwin/trace.h>

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

// Also ends at module end, so that no thread runs the module's code once it
// has gone; the handle then leaks, as the caller never closed it.
DWORD WINAPI Watcher(LPVOID parameter) {
    auto* camera = static_cast<KMXPI_CAMERA*>(parameter);
    HANDLE events[] = {camera->removal_event, camera->stop_event, ShutdownEvent()};
    DWORD count = events[2] ? 3 : 2;
    if (WaitForMultipleObjects(count, events, FALSE, INFINITE) == WAIT_OBJECT_0)
        CloseCameraDevice(camera);
    return 0;
}

void CloseEvent(HANDLE* event) {
    if (*event) CloseHandle(*event);
    *event = nullptr;
}

}  // namespace

void CloseOpenCameras() {
    std::lock_guard guard(g_open_lock);
    for (KMXPI_CAMERA* camera : g_open) CloseCameraDevice(camera);
}

}  // namespace kmx

using namespace kmx;

KMX_TRACED(api, DWORD, KMXPI_HandleOpen, (DWORD, connection_id), (KMXPI_HANDLE*, handle)) {
    if (connection_id == 0) return KMXPI_STATUS_BAD_PARAMETER;
    if (!handle) return KMXPI_STATUS_NULL_POINTER;
    *handle = nullptr;
    auto* camera = new (std::nothrow) KMXPI_CAMERA{};
    if (!camera) return KMXPI_STATUS_ALLOC_FAILED;
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
    if (camera->watcher) TrackThread(camera->watcher);
    {
        std::lock_guard guard(g_open_lock);
        g_open.push_back(camera);
    }
    *handle = camera;
    return KMXPI_STATUS_SUCCESS;
}

KMX_TRACED(api, DWORD, KMXPI_HandleClose, (KMXPI_HANDLE*, handle)) {
    if (!handle) return KMXPI_STATUS_NULL_POINTER;
    KMXPI_CAMERA* camera = *handle;
    if (!camera) return KMXPI_STATUS_BAD_PARAMETER;
    if (CaptureLockRecord* record = TakeLockRecord()) {
        if (record->owner_handle == camera->number &&
            record->owner_process == GetCurrentProcessId())
            record->Clear();
        ReleaseLockRecord();
    }
    if (camera->stop_event) SetEvent(camera->stop_event);
    if (camera->watcher) {
        // The record goes away below: the watcher must have let go of it.
        // It ends at once unless it is closing the device under a command
        // still in progress, which the removal makes fail promptly.
        WaitForSingleObject(camera->watcher, INFINITE);
        CloseHandle(camera->watcher);
    }
    CloseEvent(&camera->stop_event);
    if (camera->removal_event) KMXPI_NotificationClear(camera, camera->removal_event);
    CloseEvent(&camera->removal_event);
    CloseCameraDevice(camera);
    {
        std::lock_guard guard(g_open_lock);
        std::erase(g_open, camera);
    }
    delete camera;
    *handle = nullptr;
    return KMXPI_STATUS_SUCCESS;
}
