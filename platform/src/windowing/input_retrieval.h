// Turning a thread's queued input into window messages as the thread takes
// them: the window under the cursor answers WM_NCHITTEST, clicks activate,
// a second click in time becomes a double click for CS_DBLCLKS classes, and
// keys go to the focus.
#pragma once

#include "windowing/message_filter.h"
#include "windowing/thread_queue.h"

#include <optional>

namespace kmxwin::win {

// The message the first queued input event of QUEUE makes, if FILTER takes
// it; REMOVE takes the event off the queue. Called without the lock; may
// call window procedures.
std::optional<MSG> TakeInputMessage(ThreadQueue& queue, const MessageFilter& filter, bool remove);

}  // namespace kmxwin::win
