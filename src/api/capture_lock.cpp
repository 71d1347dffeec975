#include "api/capture_lock.h"

#include "api/camera_handle.h"
#include "api/interface_state.h"

namespace kmx {
namespace {

// How long an unlock keeps the mutex, so that the heartbeat thread has seen
// the change before anyone can take the lock again.
constexpr DWORD kUnlockPause = 500;

}  // namespace

DWORD QueryVfWLock(DWORD* identity1, DWORD* identity2) {
    CaptureLockRecord* record = TakeLockRecord();
    if (!record) return 0;
    if (record->Stale()) record->Clear();
    *identity1 = record->identity1;
    *identity2 = record->identity2;
    DWORD locked = record->locked_id;
    ReleaseLockRecord();
    return locked;
}

}  // namespace kmx

using namespace kmx;

extern "C" DWORD KMXPI_HandleLockVfWOpen(KMXPI_HANDLE camera) try {
    if (!camera) return KMXPI_STATUS_BAD_PARAMETER;
    if (!HasLockMutex()) return KMXPI_STATUS_NULL_POINTER;
    InterfaceHeader identity{};
    DWORD status = SendHandleCommand(camera, kCameraIdentityCode, identity, nullptr, 0);
    if (status != KMXPI_STATUS_SUCCESS) return status;
    DWORD identity1, identity2;
    ReadIdentity(identity, &identity1, &identity2);

    CaptureLockRecord* record = TakeLockRecord();
    if (!record) return KMXPI_STATUS_NULL_POINTER;
    if (record->Stale()) record->Clear();
    if (record->locked_id != 0) {
        ReleaseLockRecord();
        return KMXPI_STATUS_IN_USE;
    }
    record->owner_process = GetCurrentProcessId();
    record->owner_handle = camera->number;
    record->locked_id = camera->connection_id;
    record->heartbeat = GetTickCount();
    record->identity1 = identity1;
    record->identity2 = identity2;
    if (!StartHeartbeat(camera->number)) {
        record->Clear();
        status = KMXPI_STATUS_ALLOC_FAILED;
    }
    ReleaseLockRecord();
    return status;
} catch (...) {
    return KMXPI_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXPI_HandleUnLockVfWOpen(KMXPI_HANDLE camera) try {
    if (!camera) return KMXPI_STATUS_BAD_PARAMETER;
    CaptureLockRecord* record = TakeLockRecord();
    if (!record) return KMXPI_STATUS_NULL_POINTER;
    if (record->locked_id != camera->connection_id ||
        record->owner_process != GetCurrentProcessId()) {
        ReleaseLockRecord();
        return KMXPI_STATUS_BAD_PARAMETER;
    }
    record->Release();
    Sleep(kUnlockPause);
    // The heartbeat thread has ended by now; a last refresh that it made
    // as the lock was given up goes too.
    record->heartbeat = 0;
    ReleaseLockRecord();
    return KMXPI_STATUS_SUCCESS;
} catch (...) {
    return KMXPI_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXPI_HandleAbortVfW(KMXPI_HANDLE camera) try {
    if (!camera) return KMXPI_STATUS_BAD_PARAMETER;
    InterfaceHeader header{};
    return SendHandleCommand(camera, kAbortVideoCaptureCode, header, nullptr, 0);
} catch (...) {
    return KMXPI_STATUS_ALLOC_FAILED;
}
