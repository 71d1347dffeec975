// Named mutexes, shared by every process that uses the same runtime
// directory. The mutex itself is a robust process-shared pthread mutex in a
// shared file, so the system hands it on as "owner died" when its owner
// thread or process ends in any way, SIGKILL included. Ownership levels are
// counted in the process that owns it.
#pragma once

#include "kernel/kernel_object.h"
#include "kernel/shared_file.h"

#include <memory>
#include <string>

namespace kmxwin {

class NamedMutex : public Waitable,
                   public Ownable,
                   public std::enable_shared_from_this<NamedMutex> {
  public:
    // Opens the mutex NAME, creating it when no live process has it (mode
    // CreateOrOpen). EXISTED tells which. nullptr with the last error set on
    // failure.
    static std::shared_ptr<NamedMutex> Open(const std::string& name, SharedFileOpen mode,
                                            bool& existed);
    ~NamedMutex() override;

    bool IsSignalled(const ThreadRecord& thread, Clock::time_point) override;
    Acquisition TryAcquire(ThreadRecord& thread, Clock::time_point now) override;
    void Unacquire(ThreadRecord& thread) override;
    bool IsPolled() const override { return true; }
    std::optional<DWORD> WaitAlone(ThreadRecord& thread,
                                   std::optional<Clock::time_point> deadline) override;
    void Abandon(ThreadRecord& owner) override;

    BOOL Release(ThreadRecord& thread);

  private:
    struct Record;
    NamedMutex(std::string name, SharedFile file);
    Record& Shared() const { return *static_cast<Record*>(file_.base); }
    // Records THREAD as the owner after it locked the system mutex.
    Acquisition TakeOwnership(ThreadRecord& thread, bool owner_died);
    void ReleaseFully();

    const std::string name_;
    SharedFile file_;
    // Guarded by the dispatcher lock.
    ThreadRecord* owner_ = nullptr;
    LONG recursion_ = 0;
    bool last_acquire_abandoned_ = false;
};

}  // namespace kmxwin
