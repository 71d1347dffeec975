#include "windowing/thread_queue.h"

#include "kernel/dispatcher.h"
#include "windowing/thread_end.h"
#include "windowing/user_lock.h"

#include <map>

namespace kmxwin::win {
namespace {

std::map<DWORD, std::weak_ptr<ThreadQueue>>& Queues() {
    static auto* queues = new std::map<DWORD, std::weak_ptr<ThreadQueue>>;
    return *queues;
}

// Ends the thread's part in the window system when the thread ends.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder() {
        if (queue) EndThreadWindowing(queue);
    }
};

thread_local QueueHolder t_queue;

}  // namespace

std::shared_ptr<ThreadQueue> CurrentQueuePtr() {
    if (!t_queue.queue) {
        auto queue = std::make_shared<ThreadQueue>(GetCurrentThreadId());
        std::lock_guard lock(UserLock());
        Queues()[queue->thread_id] = queue;
        t_queue.queue = std::move(queue);
    }
    return t_queue.queue;
}

ThreadQueue& CurrentQueue() {
    if (!t_queue.queue) CurrentQueuePtr();
    return *t_queue.queue;
}

std::shared_ptr<ThreadQueue> QueueOfThread(DWORD thread) {
    auto found = Queues().find(thread);
    if (found == Queues().end()) return nullptr;
    std::shared_ptr<ThreadQueue> queue = found->second.lock();
    return queue && queue->alive ? queue : nullptr;
}

void ForgetQueue(const ThreadQueue& queue) {
    auto found = Queues().find(queue.thread_id);
    if (found != Queues().end() && found->second.lock().get() == &queue) Queues().erase(found);
}

void WakeQueue(ThreadQueue& queue, unsigned bits) {
    queue.wake_bits.fetch_or(bits, std::memory_order_release);
    DispatcherGuard guard;
    NotifyWaiters(queue);
}

bool WaitForQueue(unsigned mask, std::optional<std::chrono::steady_clock::time_point> deadline) {
    std::shared_ptr<ThreadQueue> queue = CurrentQueuePtr();
    queue->wake_mask = mask;
    Waitable* objects[] = {queue.get()};
    DWORD result = WaitForObjects(objects, false, deadline);
    if (result == kWaitTerminated) {
        queue.reset();
        EndCurrentThread(CurrentThread().terminate_code);
    }
    return result == WAIT_OBJECT_0;
}

}  // namespace kmxwin::win
