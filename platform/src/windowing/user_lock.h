// The one lock of the window system: it guards the window table, the window
// tree and every window's and thread queue's state. It is never held across
// a call into a window procedure, a hook or a blocking wait; code collects
// what it needs under the lock, lets go and then calls out.
#pragma once

#include <mutex>

namespace kmxwin::win {

std::mutex& UserLock();

}  // namespace kmxwin::win
