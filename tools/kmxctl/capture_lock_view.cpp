#include "capture_lock_view.h"

#include <kmxrecords/capture_lock_record.h>
#include <kmxwin/shared_section.h>

#include "failures.h"

namespace kmxctl {

using namespace kmxtool;
namespace {

// A holder keeps the mutex for half a second at most (while unlocking).
constexpr DWORD kMutexWait = 5000;

}  // namespace

std::optional<CaptureLockView> ReadCaptureLock() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kmx::kCaptureLockMutex);
    if (!mutex) throw Failure("the capture lock's mutex cannot be opened");
    auto* record = static_cast<kmx::CaptureLockRecord*>(
        KmxWinMapSharedSection(kmx::kCaptureLockSection, sizeof(kmx::CaptureLockRecord)));
    if (!record) {
        CloseHandle(mutex);
        throw Failure("the capture lock's record cannot be mapped");
    }
    std::optional<CaptureLockView> view;
    DWORD waited = WaitForSingleObject(mutex, kMutexWait);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        if (record->locked_id != 0)
            view = CaptureLockView{record->locked_id, record->owner_process, record->HeartbeatAge(),
                                   record->Stale(),   record->identity1,     record->identity2};
        ReleaseMutex(mutex);
    }
    KmxWinUnmapSharedSection(record);
    CloseHandle(mutex);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED)
        throw Failure("the capture lock's mutex is held for too long");
    return view;
}

}  // namespace kmxctl
