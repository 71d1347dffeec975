#include "kernel/named_mutex.h"

#include "kernel/dispatcher.h"

#include <errno.h>
#include <pthread.h>
#include <time.h>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

#include <algorithm>
#include <atomic>
#include <map>

namespace kmxwin {
namespace {

constexpr uint32_t kMagic = 0x4D584D4B;  // "KMXM"
// A blocking wait wakes this often to see whether its thread was terminated.
constexpr auto kTerminationCheck = std::chrono::milliseconds(50);

// The named mutexes this process has open, so that every handle of the
// process on one name shares one object (and one lock on its file).
struct Registry {
    // Recursive: a mutex whose making fails half way is destroyed with the
    // lock held, and its destructor takes it too.
    std::recursive_mutex lock;
    std::map<std::string, std::weak_ptr<NamedMutex>> open;
};
Registry& OpenMutexes() {
    static Registry* registry = new Registry;
    return *registry;
}

// ThreadSanitizer's pthread_mutex_timedlock does not count an "owner died"
// result as taking the lock (its lock and trylock do); tell it.
void NoteOwnerDiedLock([[maybe_unused]] pthread_mutex_t* mutex) {
#if defined(__SANITIZE_THREAD__)
    __tsan_mutex_pre_lock(mutex, 0);
    __tsan_mutex_post_lock(mutex, 0, 0);
#endif
}

timespec RealtimeAfter(Clock::duration wait) {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    now.tv_sec += static_cast<time_t>(nanoseconds / 1000000000);
    now.tv_nsec += static_cast<long>(nanoseconds % 1000000000);
    if (now.tv_nsec >= 1000000000) {
        now.tv_sec += 1;
        now.tv_nsec -= 1000000000;
    }
    return now;
}

}  // namespace

// The shared file's contents.
struct NamedMutex::Record {
    uint32_t magic;
    // Set by a thread of this library that ended while owning the mutex; the
    // system's own "owner died" covers the ends it does not see.
    std::atomic<uint32_t> abandoned;
    pthread_mutex_t mutex;
};
static_assert(std::atomic<uint32_t>::is_always_lock_free);

std::shared_ptr<NamedMutex> NamedMutex::Open(const std::string& name, SharedFileOpen mode,
                                             bool& existed) {
    Registry& registry = OpenMutexes();
    std::lock_guard guard(registry.lock);
    if (auto found = registry.open.find(name); found != registry.open.end()) {
        if (std::shared_ptr<NamedMutex> mutex = found->second.lock()) {
            existed = true;
            return mutex;
        }
    }
    auto initialise = [](void* base) {
        auto* record = static_cast<Record*>(base);
        pthread_mutexattr_t attributes;
        pthread_mutexattr_init(&attributes);
        pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
        pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
        pthread_mutex_init(&record->mutex, &attributes);
        pthread_mutexattr_destroy(&attributes);
        record->magic = kMagic;
    };
    SharedFile file;
    SharedFileResult opened =
        OpenSharedFile("objects", name, sizeof(Record), mode, initialise, file);
    if (opened.error == ERROR_INVALID_PARAMETER) opened.error = ERROR_INVALID_HANDLE;
    if (opened.error == ERROR_SUCCESS && static_cast<Record*>(file.base)->magic != kMagic) {
        CloseSharedFile(file);
        opened.error = ERROR_INVALID_HANDLE;  // the name is some other kind of object
    }
    if (opened.error != ERROR_SUCCESS) {
        SetLastError(opened.error);
        return nullptr;
    }
    existed = opened.existed;
    NamedMutex* made = nullptr;
    try {
        made = new NamedMutex(name, file);
    } catch (const std::bad_alloc&) {
        CloseSharedFile(file);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    try {
        std::shared_ptr<NamedMutex> mutex(made);
        registry.open[name] = mutex;
        return mutex;
    } catch (const std::bad_alloc&) {
        // The object went with its pointer, and its file with it.
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

NamedMutex::NamedMutex(std::string name, SharedFile file)
    : Waitable(ObjectType::NamedMutex), name_(std::move(name)), file_(file) {}

NamedMutex::~NamedMutex() {
    {
        Registry& registry = OpenMutexes();
        std::lock_guard guard(registry.lock);
        if (auto found = registry.open.find(name_);
            found != registry.open.end() && found->second.expired())
            registry.open.erase(found);
    }
    // No thread of this process owns the mutex now (an owner holds a
    // reference), so it is on no thread's robust list and may be unmapped.
    CloseSharedFile(file_);
}

bool NamedMutex::IsSignalled(const ThreadRecord& thread, Clock::time_point) {
    return owner_ == &thread;
}

Acquisition NamedMutex::TakeOwnership(ThreadRecord& thread, bool owner_died) {
    if (owner_died) pthread_mutex_consistent(&Shared().mutex);
    bool abandoned = Shared().abandoned.exchange(0) != 0 || owner_died;
    owner_ = &thread;
    recursion_ = 1;
    last_acquire_abandoned_ = abandoned;
    thread.owned.push_back(shared_from_this());
    return abandoned ? Acquisition::Abandoned : Acquisition::Acquired;
}

Acquisition NamedMutex::TryAcquire(ThreadRecord& thread, Clock::time_point) {
    if (owner_ == &thread) {
        ++recursion_;
        last_acquire_abandoned_ = false;
        return Acquisition::Acquired;
    }
    int result = pthread_mutex_trylock(&Shared().mutex);
    if (result != 0 && result != EOWNERDEAD) return Acquisition::NotSignalled;
    return TakeOwnership(thread, result == EOWNERDEAD);
}

void NamedMutex::Unacquire(ThreadRecord& thread) {
    if (owner_ != &thread) return;
    if (recursion_ > 1) {
        --recursion_;
        return;
    }
    if (last_acquire_abandoned_) Shared().abandoned.store(1);
    ReleaseFully();
    // The wait that gives the mutex back still holds it, so this is not the
    // last reference.
    DisownedBy(thread, *this);
}

std::optional<DWORD> NamedMutex::WaitAlone(ThreadRecord& thread,
                                           std::optional<Clock::time_point> deadline) {
    {
        std::lock_guard guard(DispatcherLock());
        if (owner_ == &thread) {
            ++recursion_;
            return WAIT_OBJECT_0;
        }
    }
    for (;;) {
        if (thread.terminate_requested.load(std::memory_order_acquire)) return kWaitTerminated;
        Clock::duration slice = kTerminationCheck;
        if (deadline)
            slice = std::max(Clock::duration::zero(), std::min(slice, *deadline - Clock::now()));
        timespec until = RealtimeAfter(slice);
        int result = pthread_mutex_timedlock(&Shared().mutex, &until);
        if (result == EOWNERDEAD) NoteOwnerDiedLock(&Shared().mutex);
        if (result == 0 || result == EOWNERDEAD) {
            std::lock_guard guard(DispatcherLock());
            return TakeOwnership(thread, result == EOWNERDEAD) == Acquisition::Abandoned
                       ? WAIT_ABANDONED_0
                       : WAIT_OBJECT_0;
        }
        if (result != ETIMEDOUT) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        if (deadline && Clock::now() >= *deadline) return WAIT_TIMEOUT;
    }
}

void NamedMutex::ReleaseFully() {
    owner_ = nullptr;
    recursion_ = 0;
    pthread_mutex_unlock(&Shared().mutex);
}

void NamedMutex::Abandon(ThreadRecord& owner) {
    if (owner_ != &owner) return;
    Shared().abandoned.store(1);
    ReleaseFully();
}

BOOL NamedMutex::Release(ThreadRecord& thread) {
    std::shared_ptr<Ownable> released;  // dropped after the lock
    std::lock_guard guard(DispatcherLock());
    if (owner_ != &thread) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    if (--recursion_ > 0) return TRUE;
    ReleaseFully();
    released = DisownedBy(thread, *this);
    return TRUE;
}

}  // namespace kmxwin
