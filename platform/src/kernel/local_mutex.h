// Mutexes of one process (unnamed).
#pragma once

#include "kernel/kernel_object.h"

#include <memory>

namespace kmxwin {

class LocalMutex : public Waitable,
                   public Ownable,
                   public std::enable_shared_from_this<LocalMutex> {
  public:
    LocalMutex() : Waitable(ObjectType::Mutex) {}

    bool IsSignalled(const ThreadRecord& thread, Clock::time_point) override;
    Acquisition TryAcquire(ThreadRecord& thread, Clock::time_point now) override;
    void Abandon(ThreadRecord& owner) override;

    // Gives up one level of ownership; FALSE with ERROR_NOT_OWNER for a
    // thread that does not own the mutex.
    BOOL Release(ThreadRecord& thread);

  private:
    // Guarded by the dispatcher lock.
    ThreadRecord* owner_ = nullptr;
    LONG recursion_ = 0;
    bool abandoned_ = false;
};

}  // namespace kmxwin
