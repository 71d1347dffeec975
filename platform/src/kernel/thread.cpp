// Threads: the per-thread record, CreateThread and the ways a thread ends.
#include <kmxwin/trace.h>

#include "kernel/dispatcher.h"
#include "kernel/handle_table.h"

#include <limits.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <csetjmp>

namespace kmxwin {
namespace {

// Set once the thread's record has gone with its thread-local objects; of a
// type without a destructor, so that it can still be read then.
thread_local bool t_record_gone = false;

struct ThreadRecordHolder {
    ThreadRecord record;
    ThreadRecordHolder() { record.tid = gettid(); }
    // Threads that end without the platform's knowledge (returning from a
    // pthread start routine, pthread_exit) still abandon their mutexes and
    // signal their handles here.
    ~ThreadRecordHolder() {
        ThreadEnded(record, record.exit_code);
        t_record_gone = true;
    }
};

thread_local ThreadRecordHolder t_thread;

std::atomic<ThreadEndWork> g_end_work{nullptr};

void DoThreadEndWork(const ThreadRecord& thread) {
    if (ThreadEndWork work = g_end_work.load(std::memory_order_acquire))
        work(static_cast<DWORD>(thread.tid));
}

// What CreateThread hands its new thread; lives on the creator's stack until
// the new thread has taken what it needs and said so.
struct StartBlock {
    LPTHREAD_START_ROUTINE routine;
    LPVOID parameter;
    std::shared_ptr<ThreadObject> object;
    std::mutex lock;
    std::condition_variable cv;
    bool started = false;
};

void* ThreadStart(void* argument) {
    auto* block = static_cast<StartBlock*>(argument);
    ThreadRecord& self = CurrentThread();
    LPTHREAD_START_ROUTINE routine = block->routine;
    LPVOID parameter = block->parameter;
    {
        std::lock_guard guard(DispatcherLock());
        self.object = block->object;
        self.object->record = &self;
        self.object->tid = self.tid;
    }
    {
        // Notified under the lock: once the creator sees `started` it may
        // return and the block is gone.
        std::lock_guard guard(block->lock);
        block->started = true;
        block->cv.notify_one();
    }

    std::jmp_buf exit_jump;
    DWORD exit_code;
    self.exit_jump = &exit_jump;
    if (setjmp(exit_jump) == 0) {
        exit_code = routine(parameter);
        if (self.terminate_requested.load(std::memory_order_acquire))
            exit_code = self.terminate_code;
    } else {
        exit_code = self.exit_code;  // ExitThread or termination
    }
    self.exit_jump = nullptr;
    ThreadEnded(self, exit_code);
    return nullptr;
}

bool IsValidPriority(int priority) {
    return (priority >= THREAD_PRIORITY_LOWEST && priority <= THREAD_PRIORITY_HIGHEST) ||
           priority == THREAD_PRIORITY_IDLE || priority == THREAD_PRIORITY_TIME_CRITICAL;
}

std::shared_ptr<ThreadObject> ThreadOfHandle(HANDLE handle) {
    if (handle == GetCurrentThread()) return CurrentThreadObject();
    return LookupHandleAs<ThreadObject>(handle, ObjectType::Thread);
}

enum class Termination { Failed, Requested, OfCallingThread };

// Marks the thread of HANDLE for termination and wakes it if it waits.
Termination RequestTermination(HANDLE handle, DWORD exit_code) {
    std::shared_ptr<ThreadObject> object = ThreadOfHandle(handle);
    if (!object) return Termination::Failed;
    std::lock_guard guard(DispatcherLock());
    ThreadRecord* target = object->record;
    if (!target) return Termination::Requested;  // it has ended already
    if (target == &CurrentThread()) return Termination::OfCallingThread;
    if (!target->terminate_requested.load(std::memory_order_relaxed)) {
        target->terminate_code = exit_code;
        target->terminate_requested.store(true, std::memory_order_release);
    }
    target->notified = true;
    target->wake->Wake();
    return Termination::Requested;
}

}  // namespace

ThreadRecord& CurrentThread() {
    if (!t_record_gone) return t_thread.record;
    // Code that runs on a thread after its thread-local objects have gone
    // (the module destructors of a process that exits, on the thread that
    // called exit) gets a record of its own. Nothing would run to free it.
    thread_local ThreadRecord* late = nullptr;
    if (!late) {
        late = new ThreadRecord;
        late->tid = gettid();
    }
    return *late;
}

std::shared_ptr<ThreadObject> CurrentThreadObject() {
    ThreadRecord& self = CurrentThread();
    std::lock_guard guard(DispatcherLock());
    if (!self.object) {
        self.object = std::make_shared<ThreadObject>();
        self.object->record = &self;
        self.object->tid = self.tid;
    }
    return self.object;
}

std::shared_ptr<Ownable> DisownedBy(ThreadRecord& thread, const Ownable& mutex) {
    auto mine = std::find_if(thread.owned.begin(), thread.owned.end(),
                             [&mutex](const auto& owned) { return owned.get() == &mutex; });
    if (mine == thread.owned.end()) return nullptr;
    std::shared_ptr<Ownable> reference = std::move(*mine);
    thread.owned.erase(mine);
    return reference;
}

void SetThreadEndWork(ThreadEndWork work) {
    g_end_work.store(work, std::memory_order_release);
}

void ThreadEnded(ThreadRecord& thread, DWORD exit_code) {
    if (!thread.ended) DoThreadEndWork(thread);
    std::vector<std::shared_ptr<Ownable>> owned;
    {
        std::lock_guard guard(DispatcherLock());
        if (thread.ended) return;
        thread.ended = true;
        owned.swap(thread.owned);
        for (const std::shared_ptr<Ownable>& mutex : owned) mutex->Abandon(thread);
        if (thread.object) {
            thread.object->ended = true;
            thread.object->exit_code = exit_code;
            thread.object->record = nullptr;
            NotifyWaiters(*thread.object);
        }
    }
    // The last references may go here; their destructors take other locks.
    owned.clear();
}

void EndCurrentThread(DWORD exit_code) {
    ThreadRecord& self = CurrentThread();
    DoThreadEndWork(self);
    self.exit_code = exit_code;
    if (self.exit_jump) std::longjmp(*self.exit_jump, 1);
    ThreadEnded(self, exit_code);
    pthread_exit(nullptr);
}

}  // namespace kmxwin

using namespace kmxwin;

extern "C" {

HANDLE WINAPI GetCurrentProcess(void) {
    return reinterpret_cast<HANDLE>(-1);
}
HANDLE WINAPI GetCurrentThread(void) {
    return reinterpret_cast<HANDLE>(-2);
}
DWORD WINAPI GetCurrentProcessId(void) {
    return static_cast<DWORD>(getpid());
}
DWORD WINAPI GetCurrentThreadId(void) {
    return static_cast<DWORD>(CurrentThread().tid);
}

KMX_TRACED(kernel, HANDLE WINAPI, CreateThread,
           ([[maybe_unused]] LPSECURITY_ATTRIBUTES, lpThreadAttributes), (SIZE_T, dwStackSize),
           (LPTHREAD_START_ROUTINE, lpStartAddress), (LPVOID, lpParameter),
           (DWORD, dwCreationFlags), (LPDWORD, lpThreadId)) {
    TerminationPoint();
    if (!lpStartAddress ||
        (dwCreationFlags & ~static_cast<DWORD>(STACK_SIZE_PARAM_IS_A_RESERVATION))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::shared_ptr<ThreadObject> object = MakeObject<ThreadObject>();
    if (!object) return nullptr;
    StartBlock block{lpStartAddress, lpParameter, std::move(object), {}, {}, false};
    HANDLE handle = InsertHandle(block.object);
    if (!handle) return nullptr;

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (dwStackSize > 0) {
        size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        size_t size = std::max<size_t>(dwStackSize, PTHREAD_STACK_MIN);
        pthread_attr_setstacksize(&attributes, (size + page - 1) / page * page);
    }
    pthread_t thread;
    int error = pthread_create(&thread, &attributes, ThreadStart, &block);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        RemoveHandle(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::unique_lock lock(block.lock);
    block.cv.wait(lock, [&block] { return block.started; });
    if (lpThreadId) *lpThreadId = static_cast<DWORD>(block.object->tid);
    return handle;
}

void WINAPI ExitThread(DWORD dwExitCode) {
    EndCurrentThread(dwExitCode);
}

KMX_TRACED(kernel, BOOL WINAPI, TerminateThread, (HANDLE, hThread), (DWORD, dwExitCode)) {
    TerminationPoint();
    switch (RequestTermination(hThread, dwExitCode)) {
        case Termination::Failed:
            return FALSE;
        case Termination::Requested:
            return TRUE;
        case Termination::OfCallingThread:
            break;
    }
    // Ends here, where no frame of ours holds anything.
    EndCurrentThread(dwExitCode);
}

KMX_TRACED(kernel, BOOL WINAPI, GetExitCodeThread, (HANDLE, hThread), (LPDWORD, lpExitCode)) {
    TerminationPoint();
    std::shared_ptr<ThreadObject> object = ThreadOfHandle(hThread);
    if (!object) return FALSE;
    if (!lpExitCode) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard guard(DispatcherLock());
    *lpExitCode = object->ended ? object->exit_code : STILL_ACTIVE;
    return TRUE;
}

KMX_TRACED(kernel, BOOL WINAPI, SetThreadPriority, (HANDLE, hThread), (int, nPriority)) {
    std::shared_ptr<ThreadObject> object = ThreadOfHandle(hThread);
    if (!object) return FALSE;
    if (!IsValidPriority(nPriority)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard guard(DispatcherLock());
    object->priority = nPriority;
    return TRUE;
}

KMX_TRACED(kernel, int WINAPI, GetThreadPriority, (HANDLE, hThread)) {
    std::shared_ptr<ThreadObject> object = ThreadOfHandle(hThread);
    if (!object) return THREAD_PRIORITY_ERROR_RETURN;
    std::lock_guard guard(DispatcherLock());
    return object->priority;
}

}  // extern "C"
