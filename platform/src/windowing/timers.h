// Window timers: WM_TIMER is made when a thread looks for messages and one
// of its timers is due, after its posted and input messages and WM_PAINT.
#pragma once

#include "windowing/message_filter.h"
#include "windowing/thread_queue.h"

#include <optional>

namespace kmxwin::win {

// The WM_TIMER of QUEUE's first due timer that FILTER takes; REMOVE starts
// its next interval (lock held).
std::optional<MSG> TakeTimerMessage(ThreadQueue& queue, const MessageFilter& filter, bool remove);
// When the next timer that FILTER takes falls due (lock held).
std::optional<std::chrono::steady_clock::time_point> NextTimerDue(ThreadQueue& queue,
                                                                  const MessageFilter& filter);

}  // namespace kmxwin::win
