// Waiting for the user to interrupt a tool (SIGINT, SIGTERM, SIGHUP) along
// with other events: a thread of its own takes the signals and sets an
// event. Construct it before anything starts threads (opening a camera
// does), so that every thread leaves the signals to it.
#pragma once

#include <windows.h>

#include <atomic>
#include <thread>

namespace kmxtool {

class Interruption {
  public:
    Interruption();
    ~Interruption();
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    // Set once the user interrupted.
    HANDLE Event() const { return event_; }

  private:
    HANDLE event_;
    std::atomic<bool> taken_{false};
    std::thread waiter_;
};

}  // namespace kmxtool
