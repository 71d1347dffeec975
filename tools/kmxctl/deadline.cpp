#include "deadline.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace kmxctl {
namespace {

using Clock = std::chrono::steady_clock;

class Watchdog {
  public:
    ~Watchdog() {
        {
            std::lock_guard guard(lock_);
            stopping_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    void Start(std::chrono::milliseconds limit, std::function<void()> report) {
        std::lock_guard guard(lock_);
        limit_ = limit;
        report_ = std::move(report);
        Rearm();
        if (!thread_.joinable() && limit_.count() > 0) thread_ = std::thread([this] { Run(); });
    }

    void Pause() {
        std::lock_guard guard(lock_);
        ++paused_;
        changed_.notify_all();
    }

    void Resume() {
        std::lock_guard guard(lock_);
        if (--paused_ == 0) Rearm();
        changed_.notify_all();
    }

  private:
    void Rearm() {
        due_ = limit_.count() > 0 ? std::optional(Clock::now() + limit_) : std::nullopt;
    }

    void Run() {
        // The user's signals are for the thread that waits for them.
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, nullptr);
        std::unique_lock lock(lock_);
        while (!stopping_) {
            if (paused_ || !due_) {
                changed_.wait(lock);
            } else if (changed_.wait_until(lock, *due_) == std::cv_status::timeout && !paused_ &&
                       !stopping_ && Clock::now() >= *due_) {
                report_();
                _exit(1);
            }
        }
    }

    std::mutex lock_;
    std::condition_variable changed_;
    std::thread thread_;
    std::chrono::milliseconds limit_{0};
    std::function<void()> report_;
    std::optional<Clock::time_point> due_;
    int paused_ = 0;
    bool stopping_ = false;
};

Watchdog& TheWatchdog() {
    static Watchdog watchdog;
    return watchdog;
}

}  // namespace

void StartDeadline(std::chrono::milliseconds limit, std::function<void()> report) {
    TheWatchdog().Start(limit, std::move(report));
}

WaitingForUser::WaitingForUser() {
    TheWatchdog().Pause();
}

WaitingForUser::~WaitingForUser() {
    TheWatchdog().Resume();
}

}  // namespace kmxctl
