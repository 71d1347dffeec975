// Event objects, manual or automatic reset.
#include "kernel/event.h"

#include <kmxwin/trace.h>

#include "kernel/dispatcher.h"
#include "kernel/handle_table.h"

namespace kmxwin {
namespace {

class Event : public Waitable {
  public:
    Event(bool manual_reset, bool signalled)
        : Waitable(ObjectType::Event), manual_reset_(manual_reset), signalled_(signalled) {}

    bool IsSignalled(const ThreadRecord&, Clock::time_point) override { return signalled_; }
    Acquisition TryAcquire(ThreadRecord&, Clock::time_point) override {
        if (!signalled_) return Acquisition::NotSignalled;
        if (!manual_reset_) signalled_ = false;
        return Acquisition::Acquired;
    }

    void Set(bool signalled) {
        DispatcherGuard guard;
        signalled_ = signalled;
        if (signalled) NotifyWaiters(*this);
    }

  private:
    const bool manual_reset_;
    bool signalled_;
};

BOOL SetEventState(HANDLE handle, bool signalled) {
    TerminationPoint();
    std::shared_ptr<Event> event = LookupHandleAs<Event>(handle, ObjectType::Event);
    if (!event) return FALSE;
    event->Set(signalled);
    return TRUE;
}

}  // namespace

bool SetEventObject(KernelObject& object, bool signalled) {
    if (object.Type() != ObjectType::Event) return false;
    static_cast<Event&>(object).Set(signalled);
    return true;
}

}  // namespace kmxwin

using namespace kmxwin;

extern "C" {

KMX_TRACED(kernel, HANDLE WINAPI, CreateEventA,
           ([[maybe_unused]] LPSECURITY_ATTRIBUTES, lpEventAttributes), (BOOL, bManualReset),
           (BOOL, bInitialState), (LPCSTR, lpName)) {
    if (lpName && *lpName) {
        // Only mutexes can be named here (see synchapi.h).
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    HANDLE handle = InsertNew<Event>(bManualReset != FALSE, bInitialState != FALSE);
    if (handle) SetLastError(ERROR_SUCCESS);
    return handle;
}

KMX_TRACED(kernel, BOOL WINAPI, SetEvent, (HANDLE, hEvent)) {
    return SetEventState(hEvent, true);
}
KMX_TRACED(kernel, BOOL WINAPI, ResetEvent, (HANDLE, hEvent)) {
    return SetEventState(hEvent, false);
}

}  // extern "C"
