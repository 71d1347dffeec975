// The word a thread blocked in a wait sleeps on: a futex of its own, which
// whoever changes an object it waits on bumps and wakes. The thread sleeps
// outside the dispatcher lock and does not take it back contended, as a
// condition variable would, so that letting it go afterwards costs no
// system call.
#pragma once

#include "kernel/kernel_object.h"

#include <atomic>
#include <cstdint>

namespace kmxwin {

class WakeWord {
  public:
    // The value to sleep on, read under the dispatcher lock before the
    // sleeper lets it go: a wake issued after that changes it.
    uint32_t Value() const { return word_.load(std::memory_order_acquire); }

    // Sleeps while the word still holds SEEN, until DEADLINE (none: no
    // limit); it may also return early. False once DEADLINE has passed.
    bool Sleep(uint32_t seen, std::optional<Clock::time_point> deadline);

    // Changes the word and wakes its sleeper, if any.
    void Wake();

  private:
    std::atomic<uint32_t> word_{0};
};

}  // namespace kmxwin
