// Kernel objects behind handles, and the interface through which the wait
// functions see the waitable ones.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace kmxwin {

using Clock = std::chrono::steady_clock;
struct ThreadRecord;

enum class ObjectType { Event, Mutex, NamedMutex, WaitableTimer, Thread, DeviceFile, MessageQueue };

class KernelObject {
  public:
    explicit KernelObject(ObjectType type) : type_(type) {}
    virtual ~KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;

    ObjectType Type() const { return type_; }

  private:
    ObjectType type_;
};

enum class Acquisition { NotSignalled, Acquired, Abandoned };

// An object that a thread can wait on. Every member except WaitAlone is called
// with the dispatcher lock held.
class Waitable : public KernelObject {
  public:
    using KernelObject::KernelObject;

    // Whether a wait by THREAD would be satisfied now.
    virtual bool IsSignalled(const ThreadRecord& thread, Clock::time_point now) = 0;
    // Takes the object for THREAD when it is signalled: resets an auto-reset
    // object, gives a mutex its owner.
    virtual Acquisition TryAcquire(ThreadRecord& thread, Clock::time_point now) = 0;
    // Gives back a TryAcquire of a polled object when a wait for all objects
    // could not be completed.
    virtual void Unacquire(ThreadRecord&) {}
    // When the object will become signalled by itself (timers).
    virtual std::optional<Clock::time_point> DueTime() const { return std::nullopt; }
    // Polled objects change state in other processes without waking this
    // process's waiters, so waits that include them look again now and then.
    virtual bool IsPolled() const { return false; }
    // A polled object may offer a blocking wait of its own for the case where
    // it is waited on alone. Called without the dispatcher lock.
    virtual std::optional<DWORD> WaitAlone(ThreadRecord&, std::optional<Clock::time_point>) {
        return std::nullopt;
    }

    // Threads blocked in a wait that includes this object.
    std::vector<ThreadRecord*> waiters;
};

// An object that a thread can own (mutexes): given up as abandoned when the
// thread ends. Called with the dispatcher lock held.
class Ownable {
  public:
    virtual ~Ownable() = default;
    virtual void Abandon(ThreadRecord& owner) = 0;
};

}  // namespace kmxwin
