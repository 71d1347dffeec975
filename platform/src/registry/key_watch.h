// What one key handle is told about changes of its key: the bookkeeping
// behind RegNotifyChangeKeyValue.
//
// A watch starts at the handle's first RegNotifyChangeKeyValue and lasts
// until the handle is closed. As on Windows, changes keep being recorded
// between two calls, so a change made after one signal and before the next
// call is not lost: the next call completes at once.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace kmxwin::registry {

// Change counters of one key, kept in the hive beside the key and raised in
// the same transaction as every change: one for its values, one for its
// sub-key names. Comparing two stamps tells what kind of change happened in
// between, whichever process made it.
struct KeyStamp {
    std::int64_t values = 0;
    std::int64_t names = 0;
};

// Every member is called with the hive's lock held.
class KeyWatch {
  public:
    explicit KeyWatch(KeyStamp seen) : seen_(seen) {}
    KeyWatch(const KeyWatch&) = delete;
    KeyWatch& operator=(const KeyWatch&) = delete;
    ~KeyWatch() { End(); }

    // A new look at the key: its current stamp, or nullopt when it has been
    // deleted (which completes every wait).
    void Observe(std::optional<KeyStamp> now);

    // Adds a wait for the changes in FILTER. WAKE is an event handle of the
    // watch's own, signalled and closed when the wait completes (at once
    // when such a change is still unreported). ERROR_KEY_DELETED, with WAKE
    // left to the caller, once the key is gone.
    DWORD Arm(DWORD filter, HANDLE wake);

    // Completes every wait: the handle is being closed.
    void End();

  private:
    struct Waiter {
        HANDLE wake;
        DWORD filter;
    };

    void Report(DWORD changes);

    KeyStamp seen_;
    DWORD unreported_ = 0;  // REG_NOTIFY_CHANGE_* bits that no wait has taken yet
    bool deleted_ = false;
    std::vector<Waiter> waiters_;
};

}  // namespace kmxwin::registry
