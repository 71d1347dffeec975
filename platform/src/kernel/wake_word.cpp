#include "kernel/wake_word.h"

#include <errno.h>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <climits>

namespace kmxwin {
namespace {

long Futex(std::atomic<uint32_t>& word, int operation, uint32_t value, const timespec* timeout) {
    return syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), operation, value, timeout,
                   nullptr, FUTEX_BITSET_MATCH_ANY);
}

// DEADLINE as an absolute time of the monotonic clock, which the steady
// clock reads.
timespec MonotonicTime(Clock::time_point deadline) {
    auto since = deadline.time_since_epoch();
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
    auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds);
    return timespec{static_cast<time_t>(seconds.count()), static_cast<long>(nanoseconds.count())};
}

}  // namespace

bool WakeWord::Sleep(uint32_t seen, std::optional<Clock::time_point> deadline) {
    static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t));
    timespec until{};
    if (deadline) {
        if (Clock::now() >= *deadline) return false;
        until = MonotonicTime(*deadline);
    }
    long result = Futex(word_, FUTEX_WAIT_BITSET_PRIVATE, seen, deadline ? &until : nullptr);
    return result == 0 || errno != ETIMEDOUT;
}

void WakeWord::Wake() {
    word_.fetch_add(1, std::memory_order_release);
    Futex(word_, FUTEX_WAKE_PRIVATE, INT_MAX, nullptr);
}

}  // namespace kmxwin
