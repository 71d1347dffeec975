// What the window system does when a thread ends.
#pragma once

#include "windowing/thread_queue.h"

namespace kmxwin::win {

// Destroys the ending thread's windows (without messages, as the thread can
// no longer take any), answers the messages still sent to it with 0 and
// drops its queue.
void EndThreadWindowing(const std::shared_ptr<ThreadQueue>& queue);

// Takes QUEUE out of the thread-to-queue map (lock held).
void ForgetQueue(const ThreadQueue& queue);

}  // namespace kmxwin::win
