#include "kernel/local_mutex.h"

#include "kernel/dispatcher.h"

#include <utility>

namespace kmxwin {

bool LocalMutex::IsSignalled(const ThreadRecord& thread, Clock::time_point) {
    return owner_ == nullptr || owner_ == &thread;
}

Acquisition LocalMutex::TryAcquire(ThreadRecord& thread, Clock::time_point now) {
    if (!IsSignalled(thread, now)) return Acquisition::NotSignalled;
    if (owner_ == &thread) {
        ++recursion_;
        return Acquisition::Acquired;
    }
    owner_ = &thread;
    recursion_ = 1;
    thread.owned.push_back(shared_from_this());
    bool abandoned = std::exchange(abandoned_, false);
    return abandoned ? Acquisition::Abandoned : Acquisition::Acquired;
}

void LocalMutex::Abandon(ThreadRecord& owner) {
    if (owner_ != &owner) return;
    owner_ = nullptr;
    recursion_ = 0;
    abandoned_ = true;
    NotifyWaiters(*this);
}

BOOL LocalMutex::Release(ThreadRecord& thread) {
    std::shared_ptr<Ownable> released;  // dropped after the lock
    DispatcherGuard guard;
    if (owner_ != &thread) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    if (--recursion_ > 0) return TRUE;
    owner_ = nullptr;
    released = DisownedBy(thread, *this);
    NotifyWaiters(*this);
    return TRUE;
}

}  // namespace kmxwin
